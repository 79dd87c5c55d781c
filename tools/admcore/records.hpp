// records.hpp - record files of an object kind (ZeRdw.h): a header record of
// field names, then one record per item, and a manifest beside the file
// (manifest.hpp). Export writes the items that match a filter beside the
// target and renames it at the end, so a failed export leaves no half file.
// Import reads and checks the whole file (and its manifest) and every value
// with VALIDATE VALUE before it defines anything, so a damaged or truncated
// file, or one value its field refuses, imports nothing; then it defines the
// records as batches (batch.hpp), each record with its own outcome.
#pragma once

#include "batch.hpp"
#include "items.hpp"

#include <functional>

namespace admcore {

// Called with the number of records done so far (after each record of an
// export, after each batch of an import); false stops the work there.
using RecordProgress = std::function<bool(std::size_t done)>;

// Opens the items of `kind` that match `filter` (their number goes to
// `opened` first, when given), then writes the fields at `indexes` of each
// to `path`, and its manifest when `manifest`: the number of records written.
Result<std::size_t> export_records(Kind &kind, Filter *filter, const std::vector<std::size_t> &indexes,
                                   const std::string &path, bool manifest,
                                   const std::function<void(std::size_t)> &opened = {},
                                   const RecordProgress &progress = {});

// A record file read whole: the kind's fields of its columns, and its records.
struct RecordFile {
    std::vector<std::string> fields;
    std::vector<std::vector<std::string>> records;
};

// Reads and checks `path`: every column must be a field of `kind`, every
// record complete, and, with `manifest`, the file must match the manifest
// beside it when there is one.
Result<RecordFile> read_records(const Kind &kind, const std::string &path, bool manifest);

// VALIDATE VALUE of every value of the file: the first refused, if any.
// With `checker`, another object of the same kind used by nothing else
// meanwhile, the values are checked on two threads.
Failure validate_records(Kind &kind, const RecordFile &file, Kind *checker = nullptr);

// What an import does with a record whose item exists (Existing): counts
// a failure, leaves the item alone, or alters it to the record.
struct ImportOptions {
    bool stopOnError = false;  // stop at the first failure
    bool atomic = false;       // all records or none, in one transaction
    Existing existing = Existing::Fail;
    std::size_t batchSize = 1000;  // records per request when not atomic; progress comes between two
    // Check every value first, as validate_records does: a refused value is
    // the summary's problem, and nothing is imported. Off for a caller that
    // validated the file itself.
    bool validate = false;
    Kind *checker = nullptr;  // validate_records' second checker, if any
};

// How an import went: the batches' report (a failure's item is its record's
// number, from 1), or the problem that let nothing be sent.
struct ImportSummary : BatchReport {
    Failure problem;  // nothing could be sent (the node, the router): nothing imported
};

// Defines the file's records in order, as batches of options.batchSize
// records (one request each), or as one atomic batch. Progress is called
// after each batch with the records done so far.
ImportSummary import_records(Kind &kind, const RecordFile &file, const ImportOptions &options,
                             const RecordProgress &progress = {});

}  // namespace admcore
