// The object registry: tarnobjs.dat in the data directory, read on every
// lookup. Each line is "name, library.procedure[, criterion]"; the first
// line for the name whose criterion the caller's filter satisfies wins.
#include "objects/registry.hpp"

#include "ZeEnv.h"
#include "ZeFilter.h"
#include "ZeStrArray.h"
#include "foundation/blocks.hpp"
#include "contract/text.hpp"

#include <string_view>

ZE_SOURCE_TAG("ObjMisc");

namespace {

constexpr std::size_t kLineSize = 256;  // 255 characters and the terminator
constexpr std::size_t kFieldLength = 80;
constexpr int kFieldCount = 3;

// The fields of one line, pointing into the line buffer.
struct Line {
    std::string_view name;
    std::string_view routine;    // library.procedure
    const char *criterion = "";  // terminated, for ZeSetFilter
};

enum class Shape { Skip, Entry, Malformed };

// Empty, or "column operator value" (blank-separated, the value the rest):
// a criterion the filter will take whole when memory allows.
bool is_criterion(std::string_view text)
{
    constexpr std::string_view blanks = " \t";
    std::size_t at = text.find_first_not_of(blanks);
    if (at == std::string_view::npos) return true;
    for (int part = 0; part < 2; ++part) {
        at = text.find_first_of(blanks, at);
        if (at == std::string_view::npos) return false;
        at = text.find_first_not_of(blanks, at);
        if (at == std::string_view::npos) return false;
    }
    return true;
}

// Cuts a line in place. `reason` names what makes a malformed line unusable.
Shape cut_line(char *text, Line &line, const char *&reason)
{
    TarnTrimStr(text);
    if (text[0] == '\0' || text[0] == ';') return Shape::Skip;

    char *fields[kFieldCount] = {};
    int found = ZeParseBufferBounded(text, fields, kFieldCount, ",", 1);
    line.name = ze::view(fields[0]);
    line.routine = ze::view(fields[1]);
    line.criterion = fields[2] ? fields[2] : "";

    if (found > kFieldCount) {
        reason = "more than three fields";
        return Shape::Malformed;
    }
    for (int i = 0; i < kFieldCount; ++i) {
        if (ze::view(fields[i]).size() > kFieldLength) {
            reason = "field longer than 80 characters";
            return Shape::Malformed;
        }
    }
    if (line.routine.find('.') == std::string_view::npos) {
        reason = "no library.procedure in field 2";
        return Shape::Malformed;
    }
    if (!is_criterion(line.criterion)) {
        reason = "field 3 is not column, operator and value";
        return Shape::Malformed;
    }
    return Shape::Entry;
}

// Every criterion of the line's text must equal, in column, operator and
// value, some criterion of the caller's filter. 0 with the answer in
// `matches`, or 3 when the criteria filter cannot be made: a line whose
// criteria are lost must not match every filter.
unsigned criteria_match(const char *criterion, Filter *caller, bool &matches)
{
    matches = false;
    if (criterion[0] == '\0') {
        matches = true;
        return ZE_OK;
    }

    Filter *criteria = nullptr;
    if (unsigned rc = ZeCreateFilter(&criteria)) return rc;
    if (ZeSetFilter(criteria, ZE_FILTER_TEXT, criterion) != ZE_OK) {
        ZeDestroyFilter(criteria);
        return ZE_RC_NO_MEMORY;  // the line's shape was checked: only memory is left to fail
    }
    matches = true;

    ZeInitFilterQuery(criteria);
    ZeInitFilterQuery(caller);
    const int n = ZeGetFilterItemCount(criteria);
    const int m = ZeGetFilterItemCount(caller);
    unsigned last = ZE_RC_CRITERIA_EQUAL;
    for (int i = 0; i < n && matches; ++i) {
        for (int j = 0; j < m; ++j) {
            last = ZeCompareFilterItems(criteria, caller);
            if (last != ZE_RC_CRITERIA_DIFFER) break;
            ZeNextFilterItem(caller);
        }
        if (last == ZE_RC_CRITERIA_DIFFER) matches = false;
        ZeNextFilterItem(criteria);
        ZeInitFilterQuery(caller);
    }
    matches = matches && last == ZE_RC_CRITERIA_EQUAL;
    ZeDestroyFilter(criteria);
    return ZE_OK;
}

char *copy_text(std::string_view text)
{
    char *copy = static_cast<char *>(ZE_ALLOC(text.size() + 1));
    if (copy) text.copy(copy, text.size());
    return copy;
}

// Splits field 2 at its first "." into two new texts.
unsigned take_routine(std::string_view routine, char **pLibrary, char **pProcedure)
{
    const std::size_t dot = routine.find('.');
    *pLibrary = copy_text(routine.substr(0, dot));
    *pProcedure = copy_text(routine.substr(dot + 1));
    if (*pLibrary && *pProcedure) return ZE_OK;
    ZE_FREE(*pLibrary);
    ZE_FREE(*pProcedure);
    return ZE_RC_NO_MEMORY;
}

// Reads the open file until a line applies.
unsigned search(FILE *file, const char *name, Filter *filter, char **pLibrary, char **pProcedure)
{
    char text[kLineSize];
    unsigned lineNumber = 0;
    while (TarnReadString(text, sizeof text, file)) {
        ++lineNumber;
        Line line;
        const char *reason = "";
        Shape shape = cut_line(text, line, reason);
        if (shape == Shape::Skip || !ze::equal_nocase(line.name, name)) continue;
        if (shape == Shape::Malformed) {
            TarnTrace("+++ Object registry line %u for (%s) ignored: %s", lineNumber, name, reason);
            continue;
        }
        bool matches = false;
        if (unsigned rc = criteria_match(line.criterion, filter, matches)) return rc;
        if (matches) return take_routine(line.routine, pLibrary, pProcedure);
    }
    return ZE_RC_NO_REGISTRY_LINE;
}

}  // namespace

namespace ze::objects {

unsigned find_registry_entry(const char *name, Filter *filter, char **pLibrary, char **pProcedure)
{
    *pLibrary = nullptr;
    *pProcedure = nullptr;
    char path[TARN_MAX_PATH];
    if (ZeBuildDataFilename("tarnobjs.dat", path, sizeof path)) return ZE_RC_NO_REGISTRY_LINE;
    FILE *file = TarnOpenFile(path, "r");
    if (!file) return ZE_RC_NO_REGISTRY_LINE;
    unsigned rc = search(file, name, filter, pLibrary, pProcedure);
    TarnCloseFile(file);
    return rc;
}

}  // namespace ze::objects
