// Recursive-descent parser for the accepted T-SQL subset. Syntax errors come
// back as the server's messages (102, 105, 156), never as a crash.
#ifndef HVEMU_PARSER_H
#define HVEMU_PARSER_H

#include <optional>
#include <string_view>

#include "ast.h"
#include "server_errors.h"

namespace hvemu {

// Parses one statement (a trailing ";" allowed). On failure returns nothing
// and fills `errors` with the server's records.
std::optional<Statement> parseStatement(std::string_view sql, ErrorList& errors);

}  // namespace hvemu

#endif
