// Remote procedure calls as ODBC drivers send them for prepared statements:
// sp_executesql, sp_prepare, sp_prepexec, sp_execute and sp_unprepare, by
// number or by name. The reader takes the first call of an RPC message with
// its parameters (integers and texts, or NULL); statements with parameter
// markers are not served.
#ifndef HVEMU_TDS_RPC_H
#define HVEMU_TDS_RPC_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hvemu::tds {

// The system procedures by the numbers a client may call them by.
enum class Procedure : std::uint16_t {
  Unknown = 0,
  ExecuteSql = 10,
  Prepare = 11,
  Execute = 12,
  PrepExec = 13,
  Unprepare = 15,
};

// RPC parameter data types the reader knows.
namespace rpc_type {
constexpr std::uint8_t kText = 0x23;      // TEXT: LONGLEN lengths, collation
constexpr std::uint8_t kInt4 = 0x38;      // fixed 4 bytes
constexpr std::uint8_t kNText = 0x63;     // NTEXT: LONGLEN lengths, collation
constexpr std::uint8_t kNVarChar = 0xE7;  // USHORT lengths, collation
constexpr std::uint8_t kNChar = 0xEF;
constexpr std::uint16_t kProcIdFollows = 0xFFFF;  // as the name's length: the procedure's number follows
constexpr std::uint8_t kParamOutput = 0x01;    // parameter status: by reference
}  // namespace rpc_type

struct RpcParam {
  std::string name;
  bool output = false;
  bool null = true;
  bool isText = false;
  std::string text;  // CP1252
  long long integer = 0;
};

struct RpcCall {
  Procedure procedure = Procedure::Unknown;
  std::string name;  // as called by name, else empty
  std::vector<RpcParam> params;
};

// Reads the first call of an RPC message (after ALL_HEADERS from TDS 7.2 on).
std::optional<RpcCall> readRpc(std::string_view payload, std::uint32_t tdsVersion);

}  // namespace hvemu::tds

#endif
