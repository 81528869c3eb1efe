// The parser's class, shared by parser.cpp (statements and expressions)
// and parser_ddl.cpp (CREATE TABLE and data types). Internal to the parser.
#ifndef HVEMU_PARSER_IMPL_H
#define HVEMU_PARSER_IMPL_H

#include <string>
#include <vector>

#include "ast.h"
#include "lexer.h"
#include "text_rules.h"

namespace hvemu {
namespace parsing {

// Thrown inside the parser only; carries the index of the offending token.
struct SyntaxFailure {
  size_t token;
};

// Thrown for a data type the emulator does not know (2715).
struct UnknownType {
  int columnNumber;
  std::string name;
};

// Thrown for a number that does not fit the integer type it is read as (8115).
struct NumberOverflow {
  const char* typeName;
};

class Parser {
 public:
  // Borrows the tokens; they outlive the parser.
  explicit Parser(const std::vector<Token>& tokens) : t_(tokens) {}
  Parser(const Parser&) = delete;
  Parser& operator=(const Parser&) = delete;
  Statement statement();

 private:
  const std::vector<Token>& t_;
  size_t pos_ = 0;

  [[noreturn]] void fail() { throw SyntaxFailure{pos_}; }
  const Token& cur() const { return t_[pos_]; }
  bool peekWord(const char* w) const { return cur().kind == TokenKind::Word && equalsNoCase(cur().text, w); }
  bool peekSymbol(const char* s) const { return cur().kind == TokenKind::Symbol && cur().text == s; }
  bool acceptWord(const char* w);
  bool acceptSymbol(const char* s);
  void expectWord(const char* w);
  void expectSymbol(const char* s);
  std::string identifier();
  // The current Number token's whole part as a value of at most `max`;
  // NumberOverflow naming `typeName` when it is larger. Does not advance.
  long long wholeNumber(long long max, const char* typeName);
  QualifiedName qualifiedName();
  Statement dispatch();

  // CREATE TABLE (parser_ddl.cpp)
  SqlType dataType(int columnNumber);
  std::vector<std::string> keyColumns();
  void primaryKey(CreateTable& c, std::string name, const std::string* column);
  Statement createTable();

  // Data statements and expressions (parser.cpp)
  Statement insert();
  Statement select();
  SelectItem selectItem();
  ExprPtr condition();
  ExprPtr conjunction();
  ExprPtr negation();
  ExprPtr predicate();
  ExprPtr operand();
};

}  // namespace parsing
}  // namespace hvemu

#endif
