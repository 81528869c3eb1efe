#include "rpc.h"

#include "cp1252.h"
#include "requests.h"
#include "tds_wire.h"

namespace hvemu::tds {

namespace {

constexpr std::uint32_t kNullLongLength = 0xFFFFFFFF;

Procedure procedureNamed(std::string_view name) {
  struct Named {
    std::string_view name;
    Procedure procedure;
  };
  static constexpr Named kNames[] = {{"sp_executesql", Procedure::ExecuteSql},
                                     {"sp_prepare", Procedure::Prepare},
                                     {"sp_execute", Procedure::Execute},
                                     {"sp_prepexec", Procedure::PrepExec},
                                     {"sp_unprepare", Procedure::Unprepare}};
  for (const Named& n : kNames) {
    if (name.size() != n.name.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < name.size(); ++i) {
      const char c = name[i] >= 'A' && name[i] <= 'Z' ? static_cast<char>(name[i] - 'A' + 'a') : name[i];
      same = same && c == n.name[i];
    }
    if (same) return n.procedure;
  }
  return Procedure::Unknown;
}

// A text parameter after its type byte: maximum length, collation, length
// (USHORT, or with `longLengths` LONG as TEXT and NTEXT have them; all ones:
// NULL) and the bytes, UTF-16 when `wide`.
bool readText(ByteReader& in, RpcParam& p, bool longLengths, bool wide) {
  const std::uint32_t nullLength = longLengths ? kNullLongLength : kNullTextLength;
  if (longLengths) {
    in.u32le();
  } else {
    in.u16le();
  }
  in.skip(kCollationSize);
  const std::uint32_t length = longLengths ? in.u32le() : in.u16le();
  p.isText = true;
  if (length == nullLength) return in.ok();
  const std::string_view b = in.bytes(length);
  p.text = wide ? cp1252FromUtf16(b) : std::string(b);
  p.null = false;
  return in.ok();
}

// Reads one parameter's TYPE_INFO and value; false for a type not known.
bool readValue(ByteReader& in, RpcParam& p) {
  const std::uint8_t type = in.u8();
  switch (type) {
    case kTypeIntN:
    case rpc_type::kInt4: {
      const std::uint8_t size = type == rpc_type::kInt4 ? 4 : in.u8();
      const std::uint8_t length = type == rpc_type::kInt4 ? 4 : in.u8();
      if (size != 1 && size != 2 && size != 4 && size != 8) return false;
      if (length == 0) return in.ok();
      if (length != size) return false;
      std::uint64_t v = 0;
      const std::string_view b = in.bytes(length);
      for (std::size_t i = b.size(); i-- > 0;) v = (v << 8) | static_cast<unsigned char>(b[i]);
      // Sign-extend from the value's size.
      const unsigned bits = 8u * length;
      if (bits < 64 && (v >> (bits - 1)) & 1u) v |= ~std::uint64_t{0} << bits;
      p.integer = static_cast<long long>(v);
      p.null = false;
      return in.ok();
    }
    case rpc_type::kNVarChar:
    case rpc_type::kNChar:
    case kTypeBigVarChar:
    case kTypeBigChar:
      return readText(in, p, false, type == rpc_type::kNVarChar || type == rpc_type::kNChar);
    case rpc_type::kNText:
    case rpc_type::kText:
      return readText(in, p, true, type == rpc_type::kNText);
    default:
      return false;
  }
}

}  // namespace

std::optional<RpcCall> readRpc(std::string_view payload, std::uint32_t tdsVersion) {
  const std::optional<std::string_view> calls = afterAllHeaders(payload, tdsVersion);
  if (!calls) return std::nullopt;
  ByteReader in(*calls);
  RpcCall call;
  const std::uint16_t nameLength = in.u16le();
  if (nameLength == rpc_type::kProcIdFollows) {
    call.procedure = static_cast<Procedure>(in.u16le());
  } else {
    call.name = cp1252FromUtf16(in.bytes(2 * static_cast<std::size_t>(nameLength)));
    call.procedure = procedureNamed(call.name);
  }
  in.u16le();  // option flags
  if (!in.ok()) return std::nullopt;
  // Parameters up to the end of the message or the next call's separator.
  while (in.remaining() > 0) {
    const std::uint8_t nameChars = in.u8();
    if (nameChars >= 0x80) break;  // a batch flag: another call follows
    RpcParam p;
    p.name = cp1252FromUtf16(in.bytes(2 * static_cast<std::size_t>(nameChars)));
    p.output = (in.u8() & rpc_type::kParamOutput) != 0;
    if (!readValue(in, p)) return std::nullopt;
    call.params.push_back(std::move(p));
  }
  return call;
}

}  // namespace hvemu::tds
