// Parsed form of the accepted T-SQL statements. Expression nodes own their
// children through unique_ptr; a Statement owns its whole tree.
#ifndef HVEMU_AST_H
#define HVEMU_AST_H

#include <memory>
#include <string>
#include <variant>
#include <vector>

#include <hvemu/engine.h>

namespace hvemu {

struct QualifiedName {
  std::string schema;  // empty: default schema dbo
  std::string name;
  std::string written;  // as it stood in the statement, for messages
};

struct Expr;
using ExprPtr = std::unique_ptr<Expr>;

struct Expr {
  enum class Kind { Column, String, Number, Null, Convert, CountStar, Compare, Like, IsNull, And, Or, Not };
  Kind kind = Kind::Null;
  std::string text;       // column name, literal content, number digits, compare operator
  std::string qualifier;  // column: table, alias or schema.table written before it
  bool negated = false;   // NOT LIKE, IS NOT NULL, negative number
  SqlType convertType;    // Convert target
  int style = 0;          // Convert style (0 when not given)
  std::vector<ExprPtr> args;
};

struct ColumnDef {
  std::string name;
  SqlType type;
  bool nullable = true;
};

struct CreateSchema {
  std::string name;
};

struct CreateTable {
  QualifiedName table;
  std::vector<ColumnDef> columns;
  std::string pkName;  // empty: the server's generated name
  std::vector<std::string> pkColumns;
};

struct DropTable {
  QualifiedName table;
  bool ifExists = false;
};

struct Insert {
  QualifiedName table;
  std::vector<std::string> columns;  // empty: all, in table order
  std::vector<std::vector<ExprPtr>> rows;
};

struct TableRef {
  QualifiedName table;
  std::string alias;
};

struct SelectItem {
  ExprPtr expr;            // null for "*"
  std::string starQualifier;
  std::string alias;
};

struct OrderItem {
  ExprPtr expr;
  bool descending = false;
};

struct Select {
  long top = -1;
  bool distinct = false;
  std::vector<SelectItem> items;
  std::vector<TableRef> from;
  ExprPtr where;
  std::vector<OrderItem> order;
};

struct Delete {
  QualifiedName table;
  ExprPtr where;
};

using Statement = std::variant<CreateSchema, CreateTable, DropTable, Insert, Select, Delete>;

}  // namespace hvemu

#endif
