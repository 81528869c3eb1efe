#include "ini_check.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "common/format.h"
#include "config/login.h"

namespace {

// A value on one line: control bytes as \xNN.
std::string shown(std::string_view value) {
  std::string text;
  for (const char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      text += formatText("\\x%02X", byte);
    } else {
      text += c;
    }
  }
  return text;
}

constexpr char kNotRead[] = "no entry, or a value that is no encrypted value";
constexpr char kTaken[] = "the import tool takes this configuration\n";
constexpr char kNotTaken[] = "the import tool would not take this configuration\n";

// "KEY       value (n characters)", and the note when there is one.
std::string keyLine(const char* key, std::string_view value, std::size_t length, const std::string& note) {
  std::string line = formatText("%-9s %s (%zu characters)", key, shown(value).c_str(), length);
  if (!note.empty()) line += ": " + note;
  return line + "\n";
}

}  // namespace

IniReport checkIniFile(const std::string& path) {
  IniReport report;
  if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
    std::fclose(file);
  } else {
    report.text = "cannot read " + path + ": " + std::strerror(errno) +
                  "; the import tool would connect with an empty login and no data source\n" + kNotTaken;
    return report;
  }

  // The plaintexts, and what the connect step makes of them.
  const login::LoginValues values = login::readLoginValues(path);
  const login::Login taken = login::takeLogin(values);
  const std::string& schemaValue = values.schema;
  const std::string& dataSourceValue = values.dataSource;

  const std::string_view user = taken.user.view();
  report.text += keyLine(
      login::kKeyLogin, user, user.size(),
      user.empty() ? std::string("empty, the connect step sends an empty user name (") + kNotRead + ")"
                   : std::string());

  const std::size_t passwordLength = taken.password.view().size();
  report.text += keyLine(login::kKeyPassword, "***", passwordLength, passwordLength == 0 ? "empty" : "");

  std::string schemaNote;
  const bool schemaSent = login::isCanteenSchema(taken.schema);
  if (!schemaSent) {
    schemaNote = formatText(
        "refused, not a plain name (letters, digits, underscore) of at most %zu characters: "
        "every canteen booking would fail",
        login::kMaxSchemaLength);
  } else if (taken.schema.empty()) {
    schemaNote = "empty, canteen bookings go to Hvs321Kan of the login's default schema";
  } else {
    schemaNote = "canteen bookings go to " + taken.schema + ".Hvs321Kan";
    if (schemaValue.back() != login::kSchemaSuffix[0]) {
      schemaNote +=
          formatText("; the value ends in '%s', not in '%s', and the connect step drops that character",
                     shown(schemaValue.substr(schemaValue.size() - 1)).c_str(), login::kSchemaSuffix);
    }
  }
  report.text += keyLine(login::kKeySchema, taken.schema, taken.schema.size(), schemaNote);

  std::string dataSourceNote;
  if (dataSourceValue.empty()) {
    dataSourceNote = std::string("refused, empty: no data source to connect to (") + kNotRead + ")";
  } else if (!login::takesDataSource(dataSourceValue)) {
    dataSourceNote = formatText(
        "refused, the connect step takes at most %zu characters and connects without a "
        "data source name",
        login::kMaxDataSourceLength);
  }
  report.text += keyLine(login::kKeyDataSource, dataSourceValue, dataSourceValue.size(), dataSourceNote);

  report.taken = schemaSent && login::takesDataSource(dataSourceValue);
  report.text += report.taken ? kTaken : kNotTaken;
  return report;
}
