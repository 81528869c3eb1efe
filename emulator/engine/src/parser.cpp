// Parsing of the data statements (INSERT, SELECT, DELETE), DROP TABLE and
// CREATE SCHEMA, and of conditions and operands; syntax errors as the server
// words them.
#include "parser.h"

#include <charconv>
#include <climits>

#include "parser_impl.h"
#include "text_rules.h"

namespace hvemu {
namespace parsing {

Statement Parser::statement() {
  Statement s = dispatch();
  if (peekSymbol(";")) ++pos_;
  if (t_[pos_].kind != TokenKind::End) fail();
  return s;
}

bool Parser::acceptWord(const char* w) {
  if (!peekWord(w)) return false;
  ++pos_;
  return true;
}

bool Parser::acceptSymbol(const char* s) {
  if (!peekSymbol(s)) return false;
  ++pos_;
  return true;
}

void Parser::expectWord(const char* w) {
  if (!acceptWord(w)) fail();
}

void Parser::expectSymbol(const char* s) {
  if (!acceptSymbol(s)) fail();
}

std::string Parser::identifier() {
  const Token& tk = cur();
  if (tk.kind == TokenKind::QuotedIdent) {
    ++pos_;
    return tk.text;
  }
  if (tk.kind != TokenKind::Word || isReservedWord(tk.text)) fail();
  ++pos_;
  return tk.text;
}

long long Parser::wholeNumber(long long max, const char* typeName) {
  if (cur().kind != TokenKind::Number) fail();
  const std::string& digits = cur().text;
  const size_t whole = digits.find('.') == std::string::npos ? digits.size() : digits.find('.');
  long long v = 0;  // stays 0 for ".5"
  const std::from_chars_result r = std::from_chars(digits.data(), digits.data() + whole, v);
  if (r.ec == std::errc::result_out_of_range || v > max) throw NumberOverflow{typeName};
  return v;
}

QualifiedName Parser::qualifiedName() {
  QualifiedName q;
  const size_t first = pos_;
  // ".name" leaves the schema part empty: the default schema.
  const bool emptySchema = acceptSymbol(".");
  q.name = identifier();
  if (!emptySchema && acceptSymbol(".")) {
    q.schema = q.name;
    q.name = identifier();
  }
  for (size_t i = first; i < pos_; ++i) q.written += t_[i].source;
  return q;
}

Statement Parser::dispatch() {
  if (acceptWord("CREATE")) {
    if (acceptWord("SCHEMA")) return CreateSchema{identifier()};
    if (acceptWord("TABLE")) return createTable();
    fail();
  }
  if (acceptWord("DROP")) {
    expectWord("TABLE");
    DropTable d;
    if (peekWord("IF") && t_[pos_ + 1].kind == TokenKind::Word && equalsNoCase(t_[pos_ + 1].text, "EXISTS")) {
      pos_ += 2;
      d.ifExists = true;
    }
    d.table = qualifiedName();
    return d;
  }
  if (acceptWord("INSERT")) return insert();
  if (acceptWord("SELECT")) return select();
  if (acceptWord("DELETE")) {
    Delete d;
    acceptWord("FROM");
    d.table = qualifiedName();
    if (acceptWord("WHERE")) d.where = condition();
    return d;
  }
  fail();
}

Statement Parser::insert() {
  Insert ins;
  acceptWord("INTO");
  ins.table = qualifiedName();
  if (acceptSymbol("(")) {
    do ins.columns.push_back(identifier());
    while (acceptSymbol(","));
    expectSymbol(")");
  }
  expectWord("VALUES");
  do {
    expectSymbol("(");
    std::vector<ExprPtr> row;
    do row.push_back(operand());
    while (acceptSymbol(","));
    expectSymbol(")");
    ins.rows.push_back(std::move(row));
  } while (acceptSymbol(","));
  return ins;
}

Statement Parser::select() {
  Select s;
  if (acceptWord("DISTINCT")) s.distinct = true;
  else acceptWord("ALL");
  if (acceptWord("TOP")) {
    const bool paren = acceptSymbol("(");
    s.top = static_cast<long>(wholeNumber(LONG_MAX, "bigint"));
    ++pos_;
    if (paren) expectSymbol(")");
  }
  do s.items.push_back(selectItem());
  while (acceptSymbol(","));
  expectWord("FROM");
  do {
    TableRef r;
    r.table = qualifiedName();
    if (acceptWord("AS")) r.alias = identifier();
    else if (cur().kind == TokenKind::QuotedIdent ||
             (cur().kind == TokenKind::Word && !isReservedWord(cur().text)))
      r.alias = identifier();
    s.from.push_back(std::move(r));
  } while (acceptSymbol(","));
  if (acceptWord("WHERE")) s.where = condition();
  if (acceptWord("ORDER")) {
    expectWord("BY");
    do {
      OrderItem o;
      o.expr = operand();
      if (acceptWord("DESC")) o.descending = true;
      else acceptWord("ASC");
      s.order.push_back(std::move(o));
    } while (acceptSymbol(","));
  }
  return s;
}

SelectItem Parser::selectItem() {
  SelectItem item;
  if (acceptSymbol("*")) return item;
  // qualifier.* forms
  if ((cur().kind == TokenKind::Word || cur().kind == TokenKind::QuotedIdent) && t_[pos_ + 1].text == ".") {
    size_t p = pos_;
    std::string qual;
    while ((t_[p].kind == TokenKind::Word || t_[p].kind == TokenKind::QuotedIdent) &&
           t_[p + 1].kind == TokenKind::Symbol && t_[p + 1].text == ".") {
      if (!qual.empty()) qual += ".";
      qual += t_[p].text;
      p += 2;
    }
    if (t_[p].kind == TokenKind::Symbol && t_[p].text == "*") {
      pos_ = p + 1;
      item.starQualifier = qual;
      return item;
    }
  }
  item.expr = operand();
  if (acceptWord("AS")) {
    item.alias = cur().kind == TokenKind::String ? cur().text : identifier();
    if (cur().kind == TokenKind::String) ++pos_;
  } else if (cur().kind == TokenKind::QuotedIdent ||
             (cur().kind == TokenKind::Word && !isReservedWord(cur().text))) {
    item.alias = identifier();
  }
  return item;
}

ExprPtr Parser::condition() {
  ExprPtr left = conjunction();
  while (acceptWord("OR")) {
    auto e = std::make_unique<Expr>();
    e->kind = Expr::Kind::Or;
    e->args.push_back(std::move(left));
    e->args.push_back(conjunction());
    left = std::move(e);
  }
  return left;
}

ExprPtr Parser::conjunction() {
  ExprPtr left = negation();
  while (acceptWord("AND")) {
    auto e = std::make_unique<Expr>();
    e->kind = Expr::Kind::And;
    e->args.push_back(std::move(left));
    e->args.push_back(negation());
    left = std::move(e);
  }
  return left;
}

ExprPtr Parser::negation() {
  if (acceptWord("NOT")) {
    auto e = std::make_unique<Expr>();
    e->kind = Expr::Kind::Not;
    e->args.push_back(negation());
    return e;
  }
  return predicate();
}

ExprPtr Parser::predicate() {
  if (acceptSymbol("(")) {
    ExprPtr inner = condition();
    expectSymbol(")");
    return inner;
  }
  ExprPtr left = operand();
  auto e = std::make_unique<Expr>();
  if (acceptWord("IS")) {
    e->kind = Expr::Kind::IsNull;
    e->negated = acceptWord("NOT");
    expectWord("NULL");
    e->args.push_back(std::move(left));
    return e;
  }
  if (acceptWord("NOT")) {
    expectWord("LIKE");
    e->kind = Expr::Kind::Like;
    e->negated = true;
  } else if (acceptWord("LIKE")) {
    e->kind = Expr::Kind::Like;
  } else {
    static const char* kOps[] = {"=", "<>", "!=", "<", ">", "<=", ">="};
    for (const char* op : kOps) {
      if (peekSymbol(op)) e->text = op;
    }
    if (e->text.empty()) fail();
    ++pos_;
    if (e->text == "!=") e->text = "<>";
    e->kind = Expr::Kind::Compare;
  }
  e->args.push_back(std::move(left));
  e->args.push_back(operand());
  return e;
}

ExprPtr Parser::operand() {
  auto e = std::make_unique<Expr>();
  const Token& tk = cur();
  if (tk.kind == TokenKind::String) {
    e->kind = Expr::Kind::String;
    e->text = tk.text;
    ++pos_;
    return e;
  }
  if (tk.kind == TokenKind::Number || (peekSymbol("-") && t_[pos_ + 1].kind == TokenKind::Number)) {
    e->negated = acceptSymbol("-");
    e->kind = Expr::Kind::Number;
    e->text = cur().text;
    ++pos_;
    return e;
  }
  if (acceptWord("NULL")) {
    e->kind = Expr::Kind::Null;
    return e;
  }
  if (peekWord("CONVERT") && t_[pos_ + 1].text == "(") {
    pos_ += 2;
    e->kind = Expr::Kind::Convert;
    e->convertType = dataType(1);
    expectSymbol(",");
    e->args.push_back(operand());
    if (acceptSymbol(",")) {
      e->style = static_cast<int>(wholeNumber(INT_MAX, "int"));
      ++pos_;
    }
    expectSymbol(")");
    return e;
  }
  if (peekWord("COUNT") && t_[pos_ + 1].text == "(") {
    pos_ += 2;
    expectSymbol("*");
    expectSymbol(")");
    e->kind = Expr::Kind::CountStar;
    return e;
  }
  // column, alias.column or schema.table.column
  e->kind = Expr::Kind::Column;
  std::vector<std::string> parts{identifier()};
  while (acceptSymbol(".")) parts.push_back(identifier());
  if (parts.size() > 3) fail();
  e->text = parts.back();
  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    if (i) e->qualifier += ".";
    e->qualifier += parts[i];
  }
  return e;
}

}  // namespace parsing

using parsing::Parser;
using parsing::NumberOverflow;
using parsing::SyntaxFailure;
using parsing::UnknownType;

namespace {

std::string nearText(const Token& t) {
  return (t.kind == TokenKind::String || t.kind == TokenKind::QuotedIdent) ? t.text : std::string(t.source);
}

ServerError syntaxError(const std::vector<Token>& tokens, size_t at) {
  size_t i = at;
  if (tokens[i].kind == TokenKind::End) {
    // The server names the last token when the statement ends too early.
    if (i == 0) return serverError(kSyntax, {""});
    --i;
  }
  const Token& t = tokens[i];
  if (t.kind == TokenKind::Word && isReservedWord(t.text)) return serverError(kKeywordSyntax, {t.text});
  return serverError(kSyntax, {nearText(t)});
}

}  // namespace

std::optional<Statement> parseStatement(std::string_view sql, ErrorList& errors) {
  std::vector<Token> tokens = tokenize(sql);
  size_t unclosed = tokens.size();
  for (size_t i = 0; i < tokens.size(); ++i) {
    if (tokens[i].kind == TokenKind::Unclosed) unclosed = i;
  }
  Parser parser(tokens);
  try {
    return parser.statement();
  } catch (const SyntaxFailure& f) {
    if (unclosed < tokens.size() && f.token >= unclosed) {
      // The parser ran into the unterminated literal: 105, then 102 near it.
      errors.push_back(serverError(kUnclosedQuote, {tokens[unclosed].text}));
      errors.push_back(serverError(kSyntax, {tokens[unclosed].text}));
    } else {
      errors.push_back(syntaxError(tokens, f.token));
      if (unclosed < tokens.size()) errors.push_back(serverError(kUnclosedQuote, {tokens[unclosed].text}));
    }
  } catch (const UnknownType& u) {
    errors.push_back(serverError(kUnknownType, {std::to_string(u.columnNumber), u.name}));
  } catch (const NumberOverflow& o) {
    errors.push_back(serverError(kArithOverflowConvert, {"expression", o.typeName}));
  }
  return std::nullopt;
}

}  // namespace hvemu
