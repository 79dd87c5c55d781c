// batch.cpp - items carried out as batches, each item's outcome collected.
#include "batch.hpp"

#include "items.hpp"
#include "text.hpp"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace admcore {
namespace {

struct BatchDeleter {
    void operator()(DtsBatch *batch) const { ZeDestroyDtsBatch(batch); }
};
using BatchPtr = std::unique_ptr<DtsBatch, BatchDeleter>;

struct ResultDeleter {
    void operator()(DtsResult *result) const { ZeDestroyDtsResult(result); }
};
using ResultPtr = std::unique_ptr<DtsResult, ResultDeleter>;

ResultPtr new_result()
{
    DtsResult *result = nullptr;
    return ResultPtr(ZeCreateDtsResult(&result) == ZE_OK ? result : nullptr);
}

unsigned mode_of(const Batching &batching)
{
    unsigned mode = batching.atomic ? ZE_BATCH_ATOMIC : ZE_BATCH_BEST_EFFORT;
    if (batching.stopAtFailure && !batching.atomic) mode |= ZE_BATCH_STOP_AT_FAILURE;
    if (batching.existing == Existing::Skip) mode |= ZE_BATCH_SKIP_EXISTING;
    if (batching.existing == Existing::Replace) mode |= ZE_BATCH_REPLACE_EXISTING;
    return mode;
}

// The item as the node is to get it: a DEFINE completed, in its own
// filter, with the defaults (once: a default named already is not added).
unsigned add_item(DtsBatch *batch, Descriptor *descriptor, bool define, Filter *filter)
{
    if (define)
        if (unsigned rc = ZeSetupDtsDefineFilter(filter, filter, descriptor)) return rc;
    return ZeAddDtsBatchItem(batch, filter);
}

// A failed item; the node's code only when the node refused it, the code's
// meaning when no message came with it.
ItemFailure failure(std::size_t item, unsigned code, unsigned nodeCode, const char *message)
{
    ItemFailure f{item, code, code == ZE_RC_ROUTER_FAILED ? nodeCode : 0u, message ? message : ""};
    if (f.message.empty()) f.message = std::string(library_code_meaning(code));
    return f;
}

void collect(DtsBatch *batch, std::size_t first, BatchReport &report)
{
    unsigned count = 0;
    ZeGetDtsBatchSize(batch, &count);
    for (unsigned i = 0; i < count; ++i) {
        unsigned state = 0, code = 0, nodeCode = 0;
        const char *message = nullptr;
        ZeGetDtsBatchOutcome(batch, i, &state, &code, &nodeCode, &message);
        switch (state) {
        case ZE_BATCH_DONE: ++report.done; break;
        case ZE_BATCH_SKIPPED: ++report.skipped; break;
        case ZE_BATCH_REPLACED: ++report.replaced; break;
        case ZE_BATCH_UNDONE: ++report.undone; break;
        case ZE_BATCH_FAILED: report.failures.push_back(failure(first + i + 1, code, nodeCode, message)); break;
        default: ++report.notRun; break;
        }
    }
}

// A batch made ahead of its run: items [first, end), or the code that
// stopped making it (reported once the batches before it have run).
struct PreparedBatch {
    BatchPtr batch;
    std::size_t first = 0, end = 0;
    unsigned rc = ZE_OK;
};

// Makes the batches, in order, on a thread of its own while the caller's
// thread runs the ones made before: at most kAhead wait their turn. Each
// is mapped for the node there too (ZePrepareDtsBatch), so that a run only
// sends. It reads the kind's descriptor and info (read-only, as the runs
// do), keeps a result of its own and never uses the object, whose requests
// stay on the caller's thread.
class BatchMaker {
public:
    BatchMaker(Descriptor *descriptor, DtsInfo *info, const char *command, std::size_t count, const ItemSource &item,
               const Batching &batching)
        : descriptor_(descriptor), info_(info), command_(command), define_(std::string_view(command) == "DEFINE"),
          mode_(mode_of(batching)), count_(count), item_(item),
          size_(batching.atomic ? count : std::max<std::size_t>(batching.size, 1)), thread_([this] { make_all(); })
    {}
    // Stops the making (the caller stopped between two batches) and waits for it.
    ~BatchMaker()
    {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
    }
    BatchMaker(const BatchMaker &) = delete;
    BatchMaker &operator=(const BatchMaker &) = delete;

    // Hands a batch that has run back: it is released on the making thread.
    void recycle(BatchPtr spent)
    {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            spent_.push_back(std::move(spent));
        }
        changed_.notify_all();
    }

    // The next batch in order; false when all are taken.
    bool next(PreparedBatch &out)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return !ready_.empty() || finished_; });
        if (ready_.empty()) {
            if (!outOfMemory_ || taken_ >= count_) return false;
            out = PreparedBatch{nullptr, taken_, count_, ZE_RC_NO_MEMORY};
            taken_ = count_;
            return true;
        }
        out = std::move(ready_.front());
        ready_.pop_front();
        taken_ = out.end;
        changed_.notify_all();
        return true;
    }

private:
    static constexpr std::size_t kAhead = 2;

    PreparedBatch make(std::size_t first) const
    {
        PreparedBatch prepared;
        prepared.first = first;
        prepared.end = std::min(count_, first + size_);
        DtsBatch *made = nullptr;
        prepared.rc = ZeCreateDtsBatch(command_, mode_, &made);
        prepared.batch.reset(made);
        for (std::size_t i = first; prepared.rc == ZE_OK && i < prepared.end; ++i) {
            FilterPtr owned;
            Filter *filter = item_(i, owned);
            prepared.rc = filter ? add_item(prepared.batch.get(), descriptor_, define_, filter) : ZE_RC_NO_MEMORY;
        }
        // A batch the mapping refuses is mapped again by its run, which reports why.
        if (prepared.rc == ZE_OK && result_) ZePrepareDtsBatch(prepared.batch.get(), descriptor_, info_, result_.get());
        return prepared;
    }

    void make_all()
    {
        try {
            for (std::size_t first = 0; first < count_;) {
                std::deque<BatchPtr> spent;
                bool room = false;
                {
                    std::unique_lock<std::mutex> lock(mutex_);
                    changed_.wait(lock, [&] { return stopping_ || ready_.size() < kAhead || !spent_.empty(); });
                    if (stopping_) break;
                    spent.swap(spent_);
                    room = ready_.size() < kAhead;
                }
                spent.clear();  // released here rather than on the caller's thread between two runs
                if (!room) continue;
                PreparedBatch prepared = make(first);
                first += size_;
                const bool failed = prepared.rc != ZE_OK;
                {
                    const std::lock_guard<std::mutex> lock(mutex_);
                    ready_.push_back(std::move(prepared));
                }
                changed_.notify_all();
                if (failed) break;
            }
        } catch (const std::bad_alloc &) {
            const std::lock_guard<std::mutex> lock(mutex_);
            outOfMemory_ = true;
        }
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            finished_ = true;
        }
        changed_.notify_all();
    }

    Descriptor *descriptor_;
    DtsInfo *info_;
    const ResultPtr result_ = new_result();  // the refusals of the mapping; none: runs map
    const char *command_;
    const bool define_;
    const unsigned mode_;
    const std::size_t count_;
    const ItemSource &item_;
    const std::size_t size_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<PreparedBatch> ready_;
    std::deque<BatchPtr> spent_;  // batches that have run, to release
    std::size_t taken_ = 0;       // the items of the batches taken so far
    bool stopping_ = false, finished_ = false, outOfMemory_ = false;
    std::jthread thread_;  // last: joined before the rest goes
};

}  // namespace

Result<std::vector<FilterPtr>> define_filters(Kind &kind, const std::vector<std::vector<std::string>> &items)
{
    std::vector<FilterPtr> filters;
    const DateServiceHold dates;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::string which = "item " + std::to_string(i + 1) + ": ";
        if (items[i].empty()) return usage_problem(which + "no FIELD=VALUE");
        Result<FilterPtr> filter = values_filter(kind.fields, items[i]);
        if (filter) {
            if (Failure refused = validate_values(kind, filter->get())) filter = *refused;
        }
        if (!filter) {
            Problem problem = filter.problem();
            problem.what = which + problem.what + (problem.outcome == Outcome::Invalid ? "; nothing defined" : "");
            return problem;
        }
        filters.push_back(std::move(*filter));
    }
    return filters;
}

Result<std::vector<FilterPtr>> key_filters(const Kind &kind, const std::vector<std::string> &keys)
{
    std::vector<FilterPtr> filters;
    for (const std::string &key : keys) {
        Result<FilterPtr> filter = key_filter(kind, key, {});
        if (!filter) return filter.problem();
        filters.push_back(std::move(*filter));
    }
    return filters;
}

Result<BatchReport> run_items(Kind &kind, const char *command, std::size_t count, const ItemSource &item,
                              const Batching &batching)
{
    Descriptor *descriptor = ZeGenericObjDescriptor(kind.object);
    DtsInfo *info = ZeGenericObjInfo(kind.object);
    DtsResult *result = ZeGenericObjResult(kind.object);
    BatchMaker maker(descriptor, info, command, count, item, batching);
    BatchReport report;
    for (PreparedBatch prepared; maker.next(prepared);) {
        const std::size_t first = prepared.first, end = prepared.end;
        unsigned rc = prepared.rc;
        if (rc == ZE_OK) rc = ZeRunDtsBatch(prepared.batch.get(), descriptor, info, result);
        auto problem = [&] {
            return action_problem(kind,
                                  std::string("cannot ") + lower_case(command) + " the items" +
                                      (first ? " from item " + std::to_string(first + 1) : ""),
                                  rc);
        };
        if (rc != ZE_OK && rc != ZE_RC_ROUTER_FAILED && rc != ZE_RC_ANSWER_LOST) return problem();
        const std::size_t notRun = report.notRun;
        collect(prepared.batch.get(), first, report);
        // A failure that left every item unrun failed the batch as a whole (the node unknown or down).
        if (rc != ZE_OK && report.notRun - notRun == end - first) return problem();
        maker.recycle(std::move(prepared.batch));
        if (batching.stopAtFailure && !report.failures.empty()) break;
        if (batching.progress && !batching.progress(report, end) && end < count) {
            report.stopped = true;
            break;
        }
    }
    return report;
}

Result<BatchReport> run_items(Kind &kind, const char *command, const std::vector<FilterPtr> &items,
                              const Batching &batching)
{
    return run_items(
        kind, command, items.size(), [&](std::size_t i, FilterPtr &) { return items[i].get(); }, batching);
}

}  // namespace admcore
