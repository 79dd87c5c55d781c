// records.cpp - export to and import from record files.
#include "records.hpp"

#include "manifest.hpp"
#include "trace.hpp"

#include "TarnRouter.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>
#include <unordered_set>

namespace admcore {
namespace {

struct RdwColumns {
    char **names = nullptr;
    int count = 0;
    ~RdwColumns() { ZeFreeStrPtrArray(names, count); }
};

struct Stream {
    std::FILE *file = nullptr;
    ~Stream()
    {
        if (file) TarnCloseFile(file);
    }
};

bool is_record_error(std::string_view line)
{
    return line.find("RDW") != std::string_view::npos && line.rfind("***", 0) == 0;
}

// The kind's fields of the file's columns.
Result<std::vector<std::string>> column_fields(const Kind &kind, const RdwColumns &columns)
{
    std::vector<std::string> names;
    for (int i = 0; i < columns.count; ++i) {
        const FieldInfo *field = kind.field(columns.names[i] ? columns.names[i] : "");
        if (!field) {
            Problem problem =
                usage_problem(std::string("the record file has a column ") +
                              (columns.names[i] ? columns.names[i] : "") + " that " + kind.name + " does not have");
            problem.field = columns.names[i] ? columns.names[i] : "";
            return problem;
        }
        names.push_back(field->name);
    }
    return names;
}

// Reads every record after the header; the code that ended the reading (7 at the end of the file).
unsigned read_all(std::FILE *in, int count, const TraceCapture &trace, RecordFile &file)
{
    std::vector<char *> slots(static_cast<std::size_t>(count), nullptr);
    unsigned rc = ZE_OK;
    while ((rc = ZeReadRdwData(in, slots.data(), count)) == ZE_OK) {
        bool complete = true;
        for (char *slot : slots) complete = complete && slot;
        for (const std::string &line : trace.lines()) complete = complete && !is_record_error(line);
        if (!complete) {
            rc = ZE_RC_RDW_FILE;
            break;
        }
        file.records.emplace_back(slots.begin(), slots.end());
    }
    ZeFreeRdwData(slots.data(), count);
    return rc;
}

// Values a thread has found valid, per column: a field's check reads the
// value alone, so a value met again is not checked again. A column with
// many different values (a key, a description) stops being remembered.
class KnownValid {
public:
    explicit KnownValid(std::size_t columns) : values_(columns) {}
    bool has(std::size_t column, const std::string &value) const { return values_[column].count(value) != 0; }
    void add(std::size_t column, const std::string &value)
    {
        if (values_[column].size() < kMost) values_[column].insert(value);
    }

private:
    static constexpr std::size_t kMost = 1024;
    std::vector<std::unordered_set<std::string>> values_;
};

// VALIDATE VALUE of every value of a file, on one thread or several: each
// thread takes the next chunk of records and checks it on a kind of its
// own. The refusal kept is that of the first record at fault, as one
// thread checking the records in order finds it.
class RecordCheck {
public:
    RecordCheck(const Kind &kind, const RecordFile &file) : file_(file)
    {
        for (const std::string &name : file.fields) {
            fields_.push_back(kind.field(name));
            if (!fields_.back()) {
                refusal_ = unknown_field(kind.fields, name);
                first_ = 0;
                return;
            }
        }
    }

    void run(Kind &kind)
    {
        KnownValid known(fields_.size());
        for (;;) {
            const std::size_t from = next_.fetch_add(kChunk);
            if (from >= file_.records.size() || from >= first_refused()) return;  // none of these can come first
            const std::size_t to = std::min(file_.records.size(), from + kChunk);
            for (std::size_t r = from; r < to; ++r)
                for (std::size_t i = 0; i < fields_.size(); ++i) {
                    const std::string &value = file_.records[r][i];
                    if (value.empty() || known.has(i, value)) continue;
                    if (Failure failure = validate_value(kind, *fields_[i], value))
                        return refuse(r, std::move(failure));
                    known.add(i, value);
                }
        }
    }

    Failure refusal()
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        return refusal_;
    }

private:
    static constexpr std::size_t kChunk = 256;

    std::size_t first_refused()
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        return first_;
    }

    void refuse(std::size_t record, Failure failure)
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (record >= first_) return;
        first_ = record;
        failure->what = "record " + std::to_string(record + 1) + ": " + failure->what + "; nothing imported";
        refusal_ = std::move(failure);
    }

    const RecordFile &file_;
    std::vector<const FieldInfo *> fields_;  // the kind's field of each column, found once
    std::atomic<std::size_t> next_{0};       // the first record of the next chunk
    std::mutex mutex_;
    std::size_t first_ = SIZE_MAX;  // the first record refused so far
    Failure refusal_;
};

}  // namespace

Result<std::size_t> export_records(Kind &kind, Filter *filter, const std::vector<std::size_t> &indexes,
                                   const std::string &path, bool manifest,
                                   const std::function<void(std::size_t)> &opened, const RecordProgress &progress)
{
    Result<unsigned> count = open_items(kind, filter, "cannot select what to export");
    if (!count) return count.problem();
    if (opened) opened(*count);
    const std::string partial = path + ".partial";
    if (manifest) std::remove(manifest_path(path).c_str());
    std::vector<char *> names, row(indexes.size());
    for (std::size_t i : indexes) names.push_back(const_cast<char *>(kind.fields[i].name.c_str()));
    Stream out;
    unsigned rc = ZeOpenOutputRdwFile(partial.c_str(), names.data(), static_cast<int>(names.size()), &out.file);
    if (rc != ZE_OK)
        return Problem("cannot write " + path + ": " + std::strerror(errno), Outcome::Usage, rc, Family::Records);
    char **values = nullptr;
    std::size_t done = 0;
    bool stopped = false;
    while (!stopped && rc == ZE_OK && (rc = ZeSubmitAction(kind.object, "GET ITEM", &values)) == ZE_OK) {
        for (std::size_t i = 0; i < indexes.size(); ++i) row[i] = values[indexes[i]];
        rc = ZeWriteRdwData(out.file, row.data(), static_cast<int>(row.size()));
        ++done;
        stopped = progress && !progress(done);
    }
    const bool closed = TarnCloseFile(out.file) == 0;
    out.file = nullptr;
    if (stopped || rc != ZE_RC_NO_ENTRY || !closed) {
        std::remove(partial.c_str());
        return Problem(stopped ? "export of " + path + " stopped" : "cannot write " + path, Outcome::Internal,
                       stopped || rc == ZE_RC_NO_ENTRY ? 0u : rc, Family::Records);
    }
    if (std::rename(partial.c_str(), path.c_str()) != 0) {
        std::remove(partial.c_str());
        return Problem("cannot write " + path + ": " + std::strerror(errno), Outcome::Internal);
    }
    if (manifest)
        if (Failure failure = write_manifest(path, done)) return *failure;
    return done;
}

Result<RecordFile> read_records(const Kind &kind, const std::string &path, bool manifest)
{
    RdwColumns columns;
    Stream in;
    RecordFile file;
    TraceCapture trace;
    unsigned rc = ZeOpenInputRdwFile(path.c_str(), &columns.names, &columns.count, &in.file);
    if (rc == ZE_OK) {
        Result<std::vector<std::string>> fields = column_fields(kind, columns);
        if (!fields) return fields.problem();
        file.fields = std::move(*fields);
        rc = read_all(in.file, columns.count, trace, file);
    }
    if (rc == ZE_RC_NO_ENTRY) {
        if (manifest)
            if (Failure failure = check_manifest(path, file.records.size())) return *failure;
        return file;
    }
    std::string what = "cannot read " + path;
    if (columns.names) what += ": record " + std::to_string(file.records.size() + 1) + " is damaged; nothing imported";
    else what += ": no valid header record; nothing imported";
    for (const std::string &line : trace.lines())
        if (is_record_error(line)) what += " (" + line.substr(4) + ")";
    return Problem(what, Outcome::Usage, rc, Family::Records);
}

Failure validate_records(Kind &kind, const RecordFile &file, Kind *checker)
{
    // Each date check would load, open, close and unload the date service: held, it stays open.
    const DateServiceHold dates;
    RecordCheck check(kind, file);
    {
        // The second kind checks records with this one, on a thread of its own.
        std::optional<std::jthread> helper;
        if (checker) helper.emplace([&] { check.run(*checker); });
        check.run(kind);
    }
    return check.refusal();
}

ImportSummary import_records(Kind &kind, const RecordFile &file, const ImportOptions &options,
                             const RecordProgress &progress)
{
    ImportSummary summary;
    // The node's router checks dates too: the date service stays open for the run.
    const DateServiceHold dates;
    if (options.validate && (summary.problem = validate_records(kind, file, options.checker))) return summary;
    Batching batching;
    batching.atomic = options.atomic;
    batching.stopAtFailure = options.stopOnError;
    batching.existing = options.existing;
    batching.size = options.batchSize;
    if (progress) batching.progress = [&](const BatchReport &, std::size_t done) { return progress(done); };
    // Each record's filter lives until its batch has copied it.
    const ItemSource record = [&](std::size_t r, FilterPtr &owned) -> Filter * {
        owned = new_filter();
        for (std::size_t i = 0; owned && i < file.fields.size(); ++i)
            if (ZeAddFilterItem(owned.get(), file.fields[i].c_str(), "EQ", file.records[r][i].c_str())) return nullptr;
        return owned.get();
    };
    Result<BatchReport> report = run_items(kind, "DEFINE", file.records.size(), record, batching);
    if (!report) {
        summary.problem = report.problem();
        return summary;
    }
    static_cast<BatchReport &>(summary) = std::move(*report);
    return summary;
}

}  // namespace admcore
