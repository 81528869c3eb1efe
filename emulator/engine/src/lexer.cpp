#include "lexer.h"

#include <array>

#include "text_rules.h"

namespace hvemu {

namespace {

bool isWordStart(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '@' || c == '#' || c >= 0x80;
}
bool isWordChar(unsigned char c) { return isWordStart(c) || (c >= '0' && c <= '9') || c == '$'; }
bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool isReservedWord(std::string_view word) {
  // Sorted, for a binary search: it runs for every identifier.
  static const std::array<std::string_view, 40> kWords = {
      "ADD",     "ALL",    "AND",      "AS",      "ASC",     "BETWEEN", "BY",     "CONSTRAINT",
      "CONVERT", "CREATE", "DEFAULT",  "DELETE",  "DESC",    "DISTINCT", "DROP",  "EXISTS",
      "FROM",    "GROUP",  "HAVING",   "IN",      "INSERT",  "INTO",    "IS",     "JOIN",
      "KEY",     "LIKE",   "NOT",      "NULL",    "ON",      "OR",      "ORDER",  "PRIMARY",
      "SCHEMA",  "SELECT", "SET",      "TABLE",   "TOP",     "UPDATE",  "VALUES", "WHERE"};
  if (word.size() < 2 || word.size() > 10) return false;
  size_t lo = 0, hi = kWords.size();
  while (lo < hi) {
    const size_t mid = (lo + hi) / 2;
    const std::string_view w = kWords[mid];
    int cmp = 0;
    for (size_t i = 0; i < word.size() && i < w.size() && cmp == 0; ++i) {
      cmp = static_cast<int>(foldByte(static_cast<unsigned char>(word[i]))) - static_cast<unsigned char>(w[i]);
    }
    if (cmp == 0) cmp = static_cast<int>(word.size()) - static_cast<int>(w.size());
    if (cmp == 0) return true;
    if (cmp < 0) hi = mid;
    else lo = mid + 1;
  }
  return false;
}

std::vector<Token> tokenize(std::string_view sql) {
  std::vector<Token> out;
  out.reserve(sql.size() / 4 + 4);
  size_t i = 0;
  const size_t n = sql.size();
  while (i < n) {
    const unsigned char c = static_cast<unsigned char>(sql[i]);
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      ++i;
      continue;
    }
    if (c == '-' && i + 1 < n && sql[i + 1] == '-') {  // line comment
      while (i < n && sql[i] != '\n') ++i;
      continue;
    }
    if (c == '/' && i + 1 < n && sql[i + 1] == '*') {  // block comment
      const size_t end = sql.find("*/", i + 2);
      i = end == std::string_view::npos ? n : end + 2;
      continue;
    }
    Token t;
    const size_t start = i;
    const bool national = (c == 'N' || c == 'n') && i + 1 < n && sql[i + 1] == '\'';
    if (c == '\'' || national) {
      i += national ? 2 : 1;
      const size_t contentStart = i;
      bool closed = false;
      while (i < n) {
        const size_t quote = sql.find('\'', i);
        if (quote == std::string_view::npos) {
          i = n;
          break;
        }
        t.text.append(sql.data() + i, quote - i);
        if (quote + 1 < n && sql[quote + 1] == '\'') {
          t.text += '\'';
          i = quote + 2;
          continue;
        }
        closed = true;
        i = quote + 1;
        break;
      }
      if (!closed) {
        t.kind = TokenKind::Unclosed;
        t.text = std::string(sql.substr(contentStart));
      } else {
        t.kind = TokenKind::String;
      }
      t.national = national;
    } else if (isWordStart(c)) {
      while (i < n && isWordChar(static_cast<unsigned char>(sql[i]))) ++i;
      t.kind = TokenKind::Word;
      t.text = std::string(sql.substr(start, i - start));
    } else if (c == '[' || c == '"') {
      const char close = c == '[' ? ']' : '"';
      ++i;
      while (i < n && sql[i] != close) t.text += sql[i++];
      if (i < n) ++i;
      t.kind = TokenKind::QuotedIdent;
    } else if (isDigit(c) || (c == '.' && i + 1 < n && isDigit(static_cast<unsigned char>(sql[i + 1])))) {
      while (i < n && (isDigit(static_cast<unsigned char>(sql[i])) || sql[i] == '.')) ++i;
      t.kind = TokenKind::Number;
      t.text = std::string(sql.substr(start, i - start));
    } else {
      static const char* kTwo[] = {"<>", "!=", "<=", ">=", "!<", "!>"};
      t.kind = TokenKind::Symbol;
      t.text = std::string(1, static_cast<char>(c));
      for (const char* two : kTwo) {
        if (i + 1 < n && sql[i] == two[0] && sql[i + 1] == two[1]) t.text = two;
      }
      i += t.text.size();
    }
    t.source = sql.substr(start, i - start);
    out.push_back(std::move(t));
    if (out.back().kind == TokenKind::Unclosed) break;
  }
  Token end;
  end.kind = TokenKind::End;
  out.push_back(end);
  return out;
}

}  // namespace hvemu
