// Tokenizer for the T-SQL subset: identifiers (plain, [bracketed], "quoted"),
// keywords, text literals with '' escapes and the N prefix, numbers and
// punctuation. Texts are single bytes; bytes 0x80-0xFF are ordinary characters.
#ifndef HVEMU_LEXER_H
#define HVEMU_LEXER_H

#include <string>
#include <string_view>
#include <vector>

namespace hvemu {

enum class TokenKind { Word, QuotedIdent, String, Number, Symbol, Unclosed, End };

struct Token {
  TokenKind kind = TokenKind::End;
  std::string text;    // word as written, literal content, symbol, number digits
  std::string_view source;  // the token as it stands in the statement (which must outlive it)
  bool national = false;  // N'...'
};

// Splits the statement into tokens, always ending with an End token. An
// unterminated literal gives an Unclosed token holding the rest of the text.
std::vector<Token> tokenize(std::string_view sql);

// Reserved words that the server reports as "near the keyword".
bool isReservedWord(std::string_view word);

}  // namespace hvemu

#endif
