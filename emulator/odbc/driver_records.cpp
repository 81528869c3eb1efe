#include "driver_records.h"

namespace hvemu {

namespace {

// Indexed by DriverRecord.
const DriverText kDriverTexts[] = {
    {"HY001", "Memory allocation error"},
    {"HY000", "Internal error"},
    {"08003", "Connection not open"},
    {"08002", "Connection name in use"},
    {"01004", "String data, right truncation"},
    {"HY000", "Transaction could not be completed"},
    {"HY010", "Function sequence error"},
    {"01S02", "Option value changed"},
    {"HY096", "Information type out of range"},
    {"07009", "Invalid descriptor index"},
    {"22002", "Indicator variable required but not supplied"},
    {"22018", "Invalid character value for cast specification"},
    {"HYC00", "Optional feature not implemented"},
    {"24000", "Invalid cursor state"},
    {"HY106", "Fetch type out of range"},
    {"HY000", "Data store failure"},
};
static_assert(sizeof kDriverTexts / sizeof kDriverTexts[0] == static_cast<size_t>(DriverRecord::StoreFailure) + 1,
              "one text per driver record");

constexpr std::string_view kServerMessagePrefix = "[HvEmu][HvEmu SQL Server Driver][SQL Server]";
constexpr std::string_view kDriverMessagePrefix = "[HvEmu][HvEmu SQL Server Driver]";

}  // namespace

const DriverText& driverText(DriverRecord record) noexcept { return kDriverTexts[static_cast<size_t>(record)]; }

ServerError driverError(DriverRecord record) { return driverError(record, driverText(record).text); }

ServerError driverError(DriverRecord record, const std::string& text) {
  return ServerError{driverText(record).sqlstate, 0, text, false};
}

std::string_view messagePrefix(bool fromServer) noexcept {
  return fromServer ? kServerMessagePrefix : kDriverMessagePrefix;
}

}  // namespace hvemu
