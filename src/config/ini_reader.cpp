#include "config/ini_reader.h"

#include <cstring>

#include "common/decimal.h"
#include "common/fixed_text.h"
#include "common/source_file.h"
#include "config/value_crypt.h"

namespace {

// Line buffers of the pair reading, terminator included.
constexpr std::size_t kGroupLineCap = 200;
constexpr std::size_t kEntryLineCap = 400;

using IniField = FixedText<kIniFieldLength + 1>;
using NumberText = FixedText<kIniNumberLength + 1>;

// The text of a line buffer: up to its terminator.
std::string_view lineText(const char* buf) { return std::string_view(buf, std::strlen(buf)); }

}  // namespace

int findChar(std::string_view text, char ch, int n) {
  int found = -1;
  int count = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != ch) continue;
    found = static_cast<int>(i);
    if (++count == n) break;
  }
  return found;
}

void subString(std::string_view text, int start, int length, std::string& dest) {
  if (length < 0) return;
  const std::size_t from = start < 0 ? 0 : static_cast<std::size_t>(start);
  if (from >= text.size()) {
    dest.clear();
    return;
  }
  dest.assign(length == 0 ? text.substr(from) : text.substr(from, static_cast<std::size_t>(length)));
}

std::string decodeIniValue(std::string_view valueField) {
  std::string plain;
  decryptValue(valueField.substr(0, kIniFieldLength), plain, kConfigKey);
  const IniField value(plain);  // ends at the first zero byte
  return value.str();
}

std::string getIniValue(std::string_view group, std::string_view key, int32_t number,
                        const std::string& path) {
  const auto file = SourceFile::open(path, SourceFile::Mode::kText);
  if (!file) return std::string();

  char groupLine[kGroupLineCap];
  char entryLine[kEntryLineCap];
  for (;;) {
    file->readLine(groupLine, sizeof groupLine);  // a missing group line shows up below
    if (!file->readLine(entryLine, sizeof entryLine)) return std::string();
    const std::string_view groupText = lineText(groupLine);
    const std::string_view entryText = lineText(entryLine);

    std::string part;
    const int p1 = findChar(groupText, ';', 1);
    const int p2 = findChar(groupText, ';', 2);
    subString(groupText, p1 + 1, p2 - p1 - 1, part);
    const IniField groupName(part);

    const int q1 = findChar(entryText, ';', 1);
    const int q2 = findChar(entryText, ';', 2);
    const int lineEnd = findChar(entryText, '\n', 1);
    part.clear();
    subString(entryText, 0, q1, part);
    const int32_t entryNumber = parseDecimal(NumberText(part).view());
    part.clear();
    subString(entryText, q1 + 1, q2 - q1 - 1, part);
    const IniField keyName(part);
    part.clear();
    subString(entryText, q2 + 1, q2 < 0 ? 0 : lineEnd - q2 - 1, part);
    const IniField value(part);

    if (groupName == group || keyName == key || entryNumber == number) {
      return decodeIniValue(value.view());
    }
  }
}
