// output.cpp - table, CSV and JSON writers. CSV and JSON stream row by row
// through a large buffer; the table keeps its rows to size its columns.
#include "output.hpp"

#include "items.hpp"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <strings.h>

namespace tarnadm {
namespace {

constexpr std::size_t kFlushAt = 1 << 16;

void flush_to(std::FILE *stream, std::string &buffer)
{
    std::fwrite(buffer.data(), 1, buffer.size(), stream);
    buffer.clear();
}

// Control characters (a line break in a value) would break the table's
// lines: they are shown as one blank each.
std::string printable(const char *value)
{
    std::string text = value ? value : "";
    for (char &c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
    return text;
}

// The longest prefix of `text` that is at most `width` wide, cut on a code point.
std::string_view cut_to(std::string_view text, std::size_t width)
{
    std::size_t used = 0, i = 0;
    for (; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        if (used == width) break;
        ++used;
    }
    return text.substr(0, i);
}

class TableOutput : public Output {
public:
    TableOutput(std::FILE *stream, std::vector<Column> columns, const OutputStyle &style)
        : stream_(stream), columns_(std::move(columns)), style_(style)
    {}

    void row(const char *const *values) override
    {
        std::vector<std::string> texts;
        texts.reserve(columns_.size());
        for (std::size_t i = 0; i < columns_.size(); ++i) texts.push_back(printable(values[i]));
        rows_.push_back(std::move(texts));
    }

    void finish() override
    {
        if (style_.single) finish_single();
        else finish_rows();
    }

private:
    void finish_single()
    {
        std::size_t width = 0;
        for (const Column &c : columns_) width = std::max(width, display_width(c.label));
        for (const auto &texts : rows_) {
            for (std::size_t i = 0; i < columns_.size(); ++i) {
                std::string line = columns_[i].label + ":";
                line.append(width + 2 - display_width(columns_[i].label) - 1, ' ');
                line += texts[i];
                emit(line);
            }
        }
        flush_to(stream_, out_);
    }

    void finish_rows()
    {
        std::vector<std::size_t> widths(columns_.size());
        for (std::size_t i = 0; i < columns_.size(); ++i) widths[i] = display_width(columns_[i].label);
        for (const auto &texts : rows_)
            for (std::size_t i = 0; i < texts.size(); ++i) widths[i] = std::max(widths[i], display_width(texts[i]));
        std::vector<std::string> headings;
        for (const Column &c : columns_) headings.push_back(c.label);
        emit_row(headings, widths);
        for (const auto &texts : rows_) emit_row(texts, widths);
        flush_to(stream_, out_);
    }

    void emit_row(const std::vector<std::string> &texts, const std::vector<std::size_t> &widths)
    {
        std::string line;
        for (std::size_t i = 0; i < texts.size(); ++i) {
            if (i) line += "  ";
            line += texts[i];
            if (i + 1 < texts.size()) line.append(widths[i] - display_width(texts[i]), ' ');
        }
        emit(line);
    }

    // A line longer than the terminal is cut to it, the cut marked with "…".
    void emit(std::string_view line)
    {
        const int width = style_.wide ? 0 : terminal_width(stream_);
        const bool cut = width > 0 && display_width(line) > static_cast<std::size_t>(width);
        if (cut) line = cut_to(line, static_cast<std::size_t>(width) - 1);
        while (!line.empty() && line.back() == ' ') line.remove_suffix(1);
        out_.append(line);
        if (cut) out_ += "\u2026";
        out_ += '\n';
        if (out_.size() >= kFlushAt) flush_to(stream_, out_);
    }

    std::FILE *stream_;
    std::vector<Column> columns_;
    OutputStyle style_;
    std::vector<std::vector<std::string>> rows_;
    std::string out_;
};

class CsvOutput : public Output {
public:
    CsvOutput(std::FILE *stream, const std::vector<Column> &columns) : stream_(stream), count_(columns.size())
    {
        for (std::size_t i = 0; i < count_; ++i) {
            if (i) out_ += ',';
            append_csv_field(out_, columns[i].name);
        }
        out_ += "\r\n";
    }

    void row(const char *const *values) override
    {
        for (std::size_t i = 0; i < count_; ++i) {
            if (i) out_ += ',';
            append_csv_field(out_, values[i] ? values[i] : "");
        }
        out_ += "\r\n";
        if (out_.size() >= kFlushAt) flush_to(stream_, out_);
    }

    void finish() override { flush_to(stream_, out_); }

private:
    std::FILE *stream_;
    std::size_t count_;
    std::string out_;
};

class JsonOutput : public Output {
public:
    JsonOutput(std::FILE *stream, const std::vector<Column> &columns, bool single) : stream_(stream), single_(single)
    {
        for (const Column &c : columns) names_.push_back(c.name);
    }

    void row(const char *const *values) override
    {
        out_ += rows_++ == 0 ? (single_ ? "" : "[\n  ") : ",\n  ";
        out_ += admcore::item_json(names_, values);
        if (out_.size() >= kFlushAt) flush_to(stream_, out_);
    }

    void finish() override
    {
        if (single_) out_ += rows_ ? "\n" : "null\n";
        else out_ += rows_ ? "\n]\n" : "[]\n";
        flush_to(stream_, out_);
    }

private:
    std::FILE *stream_;
    std::vector<std::string> names_;
    bool single_;
    std::size_t rows_ = 0;
    std::string out_;
};

}  // namespace

bool parse_format(std::string_view text, Format &format)
{
    const std::string value(text);
    if (strcasecmp(value.c_str(), "table") == 0) format = Format::Table;
    else if (strcasecmp(value.c_str(), "csv") == 0) format = Format::Csv;
    else if (strcasecmp(value.c_str(), "json") == 0) format = Format::Json;
    else return false;
    return true;
}

void append_csv_field(std::string &out, std::string_view value)
{
    // One pass over the bytes: most values need no quotes.
    bool plain = true;
    for (char c : value)
        if (c == ',' || c == '"' || c == '\r' || c == '\n') {
            plain = false;
            break;
        }
    if (plain) {
        out.append(value);
        return;
    }
    out += '"';
    for (char c : value) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

int terminal_width(std::FILE *stream)
{
    winsize size{};
    const int fd = fileno(stream);
    if (!isatty(fd) || ioctl(fd, TIOCGWINSZ, &size) != 0) return 0;
    return size.ws_col;
}

std::size_t display_width(std::string_view text)
{
    std::size_t width = 0;
    for (char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++width;
    return width;
}

std::unique_ptr<Output> make_output(std::FILE *stream, std::vector<Column> columns, const OutputStyle &style)
{
    switch (style.format) {
    case Format::Csv: return std::make_unique<CsvOutput>(stream, columns);
    case Format::Json: return std::make_unique<JsonOutput>(stream, columns, style.single);
    case Format::Table: break;
    }
    return std::make_unique<TableOutput>(stream, std::move(columns), style);
}

}  // namespace tarnadm
