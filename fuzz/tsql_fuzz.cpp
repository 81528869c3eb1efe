// The emulator's T-SQL lexer and parser on any statement text: the tokens lie
// in the text in order, end with one End token, and every text literal gives
// back its content with its doubled quotes undone; the parser either yields a
// statement or the server's error records, never a crash.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "lexer.h"
#include "parser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view sql = inputText(data, size);
  const std::vector<hvemu::Token> tokens = hvemu::tokenize(sql);
  FUZZ_CHECK(!tokens.empty() && tokens.back().kind == hvemu::TokenKind::End, "tokens end with End");

  const char* end = sql.data();
  for (std::size_t i = 0; i + 1 < tokens.size(); ++i) {
    const hvemu::Token& t = tokens[i];
    FUZZ_CHECK(t.kind != hvemu::TokenKind::End, "one End token, the last");
    FUZZ_CHECK(!t.source.empty() && t.source.data() >= end && t.source.data() + t.source.size() <= sql.data() + size,
               "tokens lie in the text, in order");
    end = t.source.data() + t.source.size();
    if (t.kind == hvemu::TokenKind::Unclosed) FUZZ_CHECK(i + 2 == tokens.size(), "an unclosed literal ends the text");
    if (t.kind == hvemu::TokenKind::String) {
      std::string written = t.national ? "N'" : "'";
      for (const char c : t.text) written += c == '\'' ? std::string("''") : std::string(1, c);
      written += '\'';
      FUZZ_CHECK(t.source.size() == written.size() &&
                     std::equal(written.begin() + (t.national ? 1 : 0), written.end(),
                                t.source.begin() + (t.national ? 1 : 0)),
                 "a literal is its content with quotes doubled");
    }
  }

  hvemu::ErrorList errors;
  const auto statement = hvemu::parseStatement(sql, errors);
  FUZZ_CHECK(statement.has_value() || !errors.empty(), "a failed parse says why");
  return 0;
}
