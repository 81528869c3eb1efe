// LookupStatements: the texts of the four master-data lookups (formats in
// sql_texts.h; the terminal name quoted as sql_statements.h quotes values,
// numbers as signed decimals), built the quick way for a run in which every
// lookup names the same terminal. The fixed text in front of the number, with
// the quoted terminal name in it, is put together once per name; each
// statement then costs one copy and the number. Any name gives its own text: a
// different name than the last builds the pieces anew.
#ifndef HV_DB_LOOKUP_STATEMENTS_H
#define HV_DB_LOOKUP_STATEMENTS_H

#include <cstdint>
#include <string>
#include <string_view>

#include "db/statement_text.h"

class LookupStatements {
 public:
  void appendKidKst(StatementText& out, std::string_view terminal, int32_t number);
  void appendTtaFcd(StatementText& out, std::string_view terminal, int32_t key);
  void appendTtaAps(StatementText& out, std::string_view terminal);
  void appendZlsKst(StatementText& out, std::string_view terminal, int32_t reader);

 private:
  // Makes the pieces fit `terminal`: nothing to do for the name of the last
  // call, which is compared byte by byte (names are short).
  void use(std::string_view terminal) {
    if (!ready_ || terminal.size() != terminal_.size() || !sameBytes(terminal)) rebuild(terminal);
  }
  bool sameBytes(std::string_view terminal) const {
    for (std::size_t i = 0; i < terminal.size(); ++i) {
      if (terminal[i] != terminal_[i]) return false;
    }
    return true;
  }
  void rebuild(std::string_view terminal);

  bool ready_ = false;
  std::string terminal_;   // the name the pieces below hold, as given
  StatementText kidKst_;   // each: the statement up to its number
  StatementText ttaFcd_;
  StatementText ttaAps_;   // the whole statement (its last piece too)
  StatementText zlsKst_;
};

#endif  // HV_DB_LOOKUP_STATEMENTS_H
