// output.hpp - the three forms of tarnadm's output: an aligned table for
// people, CSV (RFC 4180) and JSON for scripts. Rows are handed over as the
// library's value arrays; writers copy what they keep.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tarnadm {

enum class Format { Table, Csv, Json };

// Parses "table", "csv" or "json" (ignoring case); false for anything else.
bool parse_format(std::string_view text, Format &format);

struct Column {
    std::string name;   // field name: CSV heading, JSON key
    std::string label;  // display name: table heading
};

struct OutputStyle {
    Format format = Format::Table;
    bool wide = false;    // never cut table rows to the terminal width
    bool single = false;  // one item: a JSON object, a table of label/value lines
};

class Output {
public:
    virtual ~Output() = default;
    // `values` holds one text per column; NULL entries print as empty.
    virtual void row(const char *const *values) = 0;
    // Writes what is still buffered; called once after the last row.
    virtual void finish() = 0;
};

// A writer for `columns` on `stream` in the given style.
std::unique_ptr<Output> make_output(std::FILE *stream, std::vector<Column> columns, const OutputStyle &style);

// RFC 4180 field: quoted when it holds a comma, quote, CR or LF.
void append_csv_field(std::string &out, std::string_view value);

// The terminal width of `stream`, or 0 when it is not a terminal.
int terminal_width(std::FILE *stream);

// Display width of UTF-8 text (code points; control characters count 1).
std::size_t display_width(std::string_view text);

}  // namespace tarnadm
