#include "sqlite_text.h"

namespace hvemu {

namespace {

std::string quoted(std::string_view s, char quote) {
  std::string out(1, quote);
  out.reserve(s.size() + 2);
  for (char c : s) {
    out += c;
    if (c == quote) out += quote;
  }
  return out + quote;
}

}  // namespace

std::string quoteIdent(std::string_view name) { return quoted(name, '"'); }
std::string quoteText(std::string_view text) { return quoted(text, '\''); }

}  // namespace hvemu
