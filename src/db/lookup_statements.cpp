#include "db/lookup_statements.h"

#include "db/sql_statements.h"
#include "db/statement_pieces.h"

namespace {

// The statement up to its number: first piece, quoted name, second piece.
template <std::size_t Values>
void buildFront(StatementText& text, const statement::Pieces<Values>& pieces, std::string_view terminal) {
  text.clear();
  text.append(pieces.text[0]);
  appendQuoted(text, terminal);
  text.append(pieces.text[1]);
}

}  // namespace

void LookupStatements::rebuild(std::string_view terminal) {
  terminal_.assign(terminal.data(), terminal.size());
  buildFront(kidKst_, statement::kLookupKidKst, terminal);
  buildFront(ttaFcd_, statement::kLookupTtaFcd, terminal);
  buildFront(ttaAps_, statement::kLookupTtaAps, terminal);
  buildFront(zlsKst_, statement::kLookupZlsKst, terminal);
  ready_ = true;
}

void LookupStatements::appendKidKst(StatementText& out, std::string_view terminal, int32_t number) {
  use(terminal);
  out.append(kidKst_.view());
  appendNumber(out, number);
  out.append(statement::kLookupKidKst.text[2]);
}

void LookupStatements::appendTtaFcd(StatementText& out, std::string_view terminal, int32_t key) {
  use(terminal);
  out.append(ttaFcd_.view());
  appendNumber(out, key);
  out.append(statement::kLookupTtaFcd.text[2]);
}

void LookupStatements::appendTtaAps(StatementText& out, std::string_view terminal) {
  use(terminal);
  out.append(ttaAps_.view());
}

void LookupStatements::appendZlsKst(StatementText& out, std::string_view terminal, int32_t reader) {
  use(terminal);
  out.append(zlsKst_.view());
  appendNumber(out, reader);
  out.append(statement::kLookupZlsKst.text[2]);
}
