// records.hpp - record files of an object kind (ZeRdw.h): a header record of
// field names, then one record per item. Export writes the items that match
// a filter beside the target and renames it at the end, so a failed export
// leaves no half file. Import reads and checks the whole file before it
// defines anything, so a damaged or truncated file imports nothing; then it
// defines one item per record.
#pragma once

#include "items.hpp"

#include <functional>

namespace admcore {

// Called after each record with the number done; false stops the work
// before the next record.
using RecordProgress = std::function<bool(std::size_t done)>;

// Opens the items of `kind` that match `filter` (their number goes to
// `opened` first, when given), then writes the fields at `indexes` of each
// to `path`: the number of records written.
Result<std::size_t> export_records(Kind &kind, Filter *filter, const std::vector<std::size_t> &indexes,
                                   const std::string &path, const std::function<void(std::size_t)> &opened = {},
                                   const RecordProgress &progress = {});

// A record file read whole: the kind's fields of its columns, and its records.
struct RecordFile {
    std::vector<std::string> fields;
    std::vector<std::vector<std::string>> records;
};

// Reads and checks `path`: every column must be a field of `kind` and
// every record complete.
Result<RecordFile> read_records(const Kind &kind, const std::string &path);

// A record that could not be defined: its number (from 1), the library's
// code, the node's code and the node's message (else the code's meaning).
struct RecordFailure {
    std::size_t record;
    unsigned code, routerCode;
    std::string message;
};

struct ImportSummary {
    std::size_t defined = 0;
    std::vector<RecordFailure> failures;
    bool stopped = false;  // progress asked to stop
};

// DEFINE ITEM of one record: none, or why not.
std::optional<RecordFailure> define_record(Kind &kind, const RecordFile &file, std::size_t index);

// Defines the file's records in order, one request each (a batch of many
// records in one request would replace define_record here); with
// `stopOnError`, stops at the first failure.
ImportSummary import_records(Kind &kind, const RecordFile &file, bool stopOnError, const RecordProgress &progress = {});

}  // namespace admcore
