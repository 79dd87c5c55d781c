// Reads a node database the way a person checking it would: the rows of a
// query as text, columns joined with '|', rows with ';', NULL as "<null>".
// An SQL error gives SQLite's message instead. Tests that set a node up
// with a statement of their own open it writable.
#pragma once

#include <sqlite3.h>

#include <string>

inline std::string sqlite_rows(const std::string &path, const std::string &query, bool writable = false)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt *st = nullptr;
    std::string text;
    if (sqlite3_prepare_v2(db, query.c_str(), -1, &st, nullptr) != SQLITE_OK) text = sqlite3_errmsg(db);
    while (st && sqlite3_step(st) == SQLITE_ROW) {
        text += text.empty() ? "" : ";";
        for (int i = 0; i < sqlite3_column_count(st); ++i) {
            const unsigned char *v = sqlite3_column_text(st, i);
            text += (i ? "|" : "") + std::string(v ? reinterpret_cast<const char *>(v) : "<null>");
        }
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return text;
}
