// upper() and lower() of an SQLite node: the folding of contract/utf8.hpp
// in place of SQLite's own, which folds ASCII letters only. The demo router
// registers them on every node it opens and tarnmknode on every node it
// makes, so that a CHECK such as X = upper(X) refuses on a demo node exactly
// what it refuses on a PostgreSQL node.
#pragma once

#include "contract/utf8.hpp"

#include <sqlite3.h>

namespace sqlite_case {

// upper(X) / lower(X): NULL stays NULL, text that is not valid UTF-8 is
// left as it is (no value of a node is: the router refuses it).
inline void fold(sqlite3_context *context, int, sqlite3_value **args, bool upper)
{
    if (sqlite3_value_type(args[0]) == SQLITE_NULL) return sqlite3_result_null(context);
    const char *text = reinterpret_cast<const char *>(sqlite3_value_text(args[0]));
    if (!text) return sqlite3_result_error_nomem(context);
    const std::string_view value(text, static_cast<std::size_t>(sqlite3_value_bytes(args[0])));
    std::string folded;
    try {
        if (!utf8::fold(value, upper, folded)) folded.assign(value);
    } catch (...) {
        return sqlite3_result_error_nomem(context);
    }
    sqlite3_result_text(context, folded.data(), static_cast<int>(folded.size()), SQLITE_TRANSIENT);
}

inline void upper(sqlite3_context *c, int n, sqlite3_value **v) { fold(c, n, v, true); }
inline void lower(sqlite3_context *c, int n, sqlite3_value **v) { fold(c, n, v, false); }

// Registers both on the connection; SQLITE_OK or SQLite's code.
inline int register_functions(sqlite3 *db)
{
    constexpr int kFlags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    int rc = sqlite3_create_function_v2(db, "upper", 1, kFlags, nullptr, upper, nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_create_function_v2(db, "lower", 1, kFlags, nullptr, lower, nullptr, nullptr, nullptr);
    return rc;
}

}  // namespace sqlite_case
