// Parsing of CREATE TABLE: column definitions, data types, primary keys.
#include <climits>

#include "parser_impl.h"
#include "text_rules.h"

namespace hvemu {

std::string typeName(const SqlType& t, bool withLength) {
  switch (t.base) {
    case BaseType::VarChar: return withLength ? "varchar(" + std::to_string(t.length) + ")" : "varchar";
    case BaseType::Char: return withLength ? "char(" + std::to_string(t.length) + ")" : "char";
    case BaseType::TinyInt: return "tinyint";
    case BaseType::SmallInt: return "smallint";
    case BaseType::Int: return "int";
    case BaseType::BigInt: return "bigint";
    case BaseType::DateTime: return "datetime";
  }
  return "varchar";
}

namespace parsing {

SqlType Parser::dataType(int columnNumber) {
  const size_t at = pos_;
  const std::string name = upperAscii(identifier());
  SqlType t;
  if (name == "VARCHAR" || name == "NVARCHAR") t.base = BaseType::VarChar;
  else if (name == "CHAR" || name == "NCHAR") t.base = BaseType::Char;
  else if (name == "TINYINT") t.base = BaseType::TinyInt;
  else if (name == "SMALLINT") t.base = BaseType::SmallInt;
  else if (name == "INT" || name == "INTEGER") t.base = BaseType::Int;
  else if (name == "BIGINT") t.base = BaseType::BigInt;
  else if (name == "DATETIME") t.base = BaseType::DateTime;
  else throw UnknownType{columnNumber, std::string(t_[at].source)};
  if (t.isText()) {
    t.length = 1;
    if (acceptSymbol("(")) {
      const long long length = wholeNumber(INT_MAX, "int");
      if (length < 1 || length > 8000) fail();
      t.length = static_cast<int>(length);
      ++pos_;
      expectSymbol(")");
    }
  }
  return t;
}

std::vector<std::string> Parser::keyColumns() {
  std::vector<std::string> cols;
  expectSymbol("(");
  do {
    cols.push_back(identifier());
    if (!acceptWord("ASC")) acceptWord("DESC");
  } while (acceptSymbol(","));
  expectSymbol(")");
  return cols;
}

void Parser::primaryKey(CreateTable& c, std::string name, const std::string* column) {
  expectWord("PRIMARY");
  expectWord("KEY");
  if (!acceptWord("CLUSTERED")) acceptWord("NONCLUSTERED");
  if (!c.pkColumns.empty()) fail();
  c.pkName = std::move(name);
  if (column) c.pkColumns.push_back(*column);
  else c.pkColumns = keyColumns();
}

Statement Parser::createTable() {
  CreateTable c;
  c.table = qualifiedName();
  expectSymbol("(");
  do {
    if (acceptWord("CONSTRAINT")) {
      std::string name = identifier();
      primaryKey(c, std::move(name), nullptr);
    } else if (peekWord("PRIMARY")) {
      primaryKey(c, "", nullptr);
    } else {
      ColumnDef col;
      col.name = identifier();
      col.type = dataType(static_cast<int>(c.columns.size()) + 1);
      for (;;) {
        if (acceptWord("NULL")) {
          col.nullable = true;
        } else if (acceptWord("NOT")) {
          expectWord("NULL");
          col.nullable = false;
        } else if (acceptWord("CONSTRAINT")) {
          std::string name = identifier();
          primaryKey(c, std::move(name), &col.name);
          col.nullable = false;
        } else if (peekWord("PRIMARY")) {
          primaryKey(c, "", &col.name);
          col.nullable = false;
        } else {
          break;
        }
      }
      c.columns.push_back(std::move(col));
    }
  } while (acceptSymbol(","));
  expectSymbol(")");
  return c;
}

}  // namespace parsing
}  // namespace hvemu
