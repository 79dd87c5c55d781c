// route_batch(): the items of a batch (action fields 23 to 25) in one
// transaction on one connection, each statement prepared once. Items run
// in chunks under one savepoint each; a chunk of DEFINE items giving the
// same columns goes as one insert of many rows, a chunk of DELETE items
// each naming one key as one DELETE, a few round trips for the chunk. A
// best-effort batch runs a chunk that fails again item by item, each under
// its own savepoint, so that only the failing ones are undone and each
// keeps its own outcome. An atomic batch stops at its first failing item
// and rolls everything back.
#include "core.hpp"
#include "pool.hpp"

#include <new>

namespace routecore {

namespace {

constexpr std::size_t kChunk = 256;

// What happened to one item.
struct ItemOutcome {
    unsigned state = ZE_BATCH_NOT_RUN;
    unsigned code = 0;
    std::string message;
};

struct Batch {
    Request base;  // command, node, object, user, date format
    unsigned mode = 0;
    std::vector<Request> items;
    std::vector<bool> sent;  // false: the library refused the item before sending
    std::vector<ItemOutcome> outcomes;
    bool atomic() const { return (mode & ZE_BATCH_ATOMIC) != 0; }
};

Batch read_batch(DtsAction *action)
{
    Batch batch;
    batch.base = read_request(action);
    unsigned count = 0;
    if (ZeGetDtsActionField(action, ZE_ACTION_BATCH, &count, &batch.mode) != ZE_OK)
        fail(TARN_ROUTER_RC_BAD_REQUEST, "The request carries no batch");
    batch.base.batch = true;
    batch.items.reserve(count);
    batch.outcomes.resize(count);
    for (unsigned i = 0; i < count; ++i) {
        Request item = batch.base;
        char **columns = nullptr, **relops = nullptr, **values = nullptr;
        int n = 0;
        unsigned rc = ZeGetDtsActionField(action, ZE_ACTION_BATCH_ITEM, i, &columns, &relops, &values, &n);
        if (rc != ZE_OK && rc != ZE_RC_NO_ENTRY)
            fail(rc == ZE_RC_NO_MEMORY ? ZE_RC_NO_MEMORY : TARN_ROUTER_RC_BAD_REQUEST,
                 "Item " + std::to_string(i + 1) + " of the batch cannot be read (code " + std::to_string(rc) + ")");
        add_fields(item, columns, relops, values, n);
        batch.items.push_back(std::move(item));
        batch.sent.push_back(rc == ZE_OK);
    }
    return batch;
}

// A value or change the table refuses: an item's own failure, which
// running the items one by one tells apart.
bool is_refusal(StoreErrorKind kind)
{
    switch (kind) {
    case StoreErrorKind::Duplicate:
    case StoreErrorKind::Check:
    case StoreErrorKind::Required:
    case StoreErrorKind::Reference:
    case StoreErrorKind::Refused: return true;
    default: return false;
    }
}

std::string_view key_of(const Request &item, const Table &table)
{
    for (std::size_t i = 0; i < item.columns.size(); ++i)
        if (table.find(item.columns[i]) == &table.keyColumn()) return item.values[i];
    return {};
}

void savepoint(Store &store, const char *verb, const char *name)
{
    std::string sql = std::string(verb) + " " + name;
    store.run(sql, {})->step();
}

// A savepoint set or released on the way to the next statement.
void savepoint_later(Store &store, const char *verb, const char *name)
{
    store.run_later(std::string(verb) + " " + name);
}

class Runner {
public:
    Runner(Batch &batch, Store &store, const Table &table) : batch_(batch), store_(store), table_(table) {}

    // Best effort: chunk by chunk, a failing chunk again item by item.
    // With ZE_BATCH_STOP_AT_FAILURE, the items after the first failing one
    // are not carried out.
    void best_effort()
    {
        const bool stops = (batch_.mode & ZE_BATCH_STOP_AT_FAILURE) != 0;
        for (std::size_t from = 0; from < batch_.items.size(); from += kChunk) {
            const std::size_t to = std::min(batch_.items.size(), from + kChunk);
            if (chunk_stands(from, to)) continue;
            for (std::size_t i = from; i < to; ++i)
                if (!alone(i) && stops) {
                    for (std::size_t j = i + 1; j < batch_.items.size(); ++j) batch_.outcomes[j] = {};
                    return;
                }
        }
    }

    // All or nothing: the index of the failing item, or the item count.
    // A chunk whose INSERTs fail is run again item by item to find it.
    std::size_t atomic()
    {
        for (std::size_t from = 0; from < batch_.items.size(); from += kChunk) {
            const std::size_t to = std::min(batch_.items.size(), from + kChunk);
            if (together(from, to) == Together::Stands) continue;
            for (std::size_t i = from; i < to; ++i)
                if (!attempt(i)) return i;
        }
        return batch_.items.size();
    }

    // After item i's transaction was rolled back: the value or change the
    // node's rules refused told as a single request tells it (its rows are
    // asked for). When the node cannot be asked, the store's text stays.
    void explain_refused(std::size_t i)
    {
        for (const auto &refusal : refusals_) {
            if (refusal.first != i) continue;
            try {
                const Failure failure = explain_refusal(batch_.items[i], store_, table_, refusal.second);
                batch_.outcomes[i] = {ZE_BATCH_FAILED, failure.code, failure.message};
            } catch (const StoreError &) {
                // the store's own text stays
            }
        }
    }

private:
    enum class Together { Stands, Failed, NotTried };

    // The chunk's items as one statement under the chunk's savepoint;
    // Failed: the statement failed and the chunk was rolled back.
    Together together(std::size_t from, std::size_t to)
    {
        std::vector<const Request *> items;
        if (!chunk_items(from, to, items)) return Together::NotTried;
        NewRows rows = take_rows(from, items);
        savepoint_later(store_, "SAVEPOINT", "tarn_chunk");
        Together outcome = Together::Stands;
        try {
            if (!rows.empty()) {
                // The next chunk's rows are made while the node takes these.
                store_.start_rows(table_, rows.columns, rows.values);
                prepare_rows(to);
                store_.finish_rows();
                messages_ = std::move(rows.messages);
            } else if (!run_together(items, store_, table_, messages_)) {
                outcome = Together::NotTried;
            }
        } catch (const StoreError &error) {
            if (!is_refusal(error.kind)) throw;  // what would end the batch item by item too
            outcome = Together::Failed;
        } catch (const Failure &) {
            outcome = Together::NotTried;  // each item gets the failure on its own
        }
        if (outcome != Together::Stands) {
            savepoint(store_, "ROLLBACK TO SAVEPOINT", "tarn_chunk");
            savepoint(store_, "RELEASE SAVEPOINT", "tarn_chunk");
            return outcome;
        }
        savepoint_later(store_, "RELEASE SAVEPOINT", "tarn_chunk");
        for (std::size_t i = from; i < to; ++i) batch_.outcomes[i] = {ZE_BATCH_DONE, 0, std::move(messages_[i - from])};
        return Together::Stands;
    }

    // The items of chunk [from, to) when they may go as one statement: two
    // or more, all sent.
    bool chunk_items(std::size_t from, std::size_t to, std::vector<const Request *> &items) const
    {
        if (to - from < 2) return false;
        items.reserve(to - from);
        for (std::size_t i = from; i < to; ++i) {
            if (!batch_.sent[i]) return false;
            items.push_back(&batch_.items[i]);
        }
        return true;
    }

    // The rows of the DEFINE chunk starting at `from`, made ahead or now.
    NewRows take_rows(std::size_t from, const std::vector<const Request *> &items)
    {
        if (nextFrom_ == from) {
            nextFrom_ = kNone;
            return std::move(next_);
        }
        return define_rows(items, table_);
    }

    // Makes the rows of the chunk starting at `from` ahead of its turn;
    // whatever goes wrong here is left for that turn to find.
    void prepare_rows(std::size_t from) noexcept
    {
        nextFrom_ = kNone;
        try {
            std::vector<const Request *> items;
            const std::size_t to = std::min(batch_.items.size(), from + kChunk);
            if (from >= to || !chunk_items(from, to, items)) return;
            next_ = define_rows(items, table_);
            if (!next_.empty()) nextFrom_ = from;
        } catch (...) {
            next_ = {};
        }
    }

    bool chunk_stands(std::size_t from, std::size_t to)
    {
        switch (together(from, to)) {
        case Together::Stands: return true;
        case Together::Failed: return false;
        case Together::NotTried: break;
        }
        savepoint(store_, "SAVEPOINT", "tarn_chunk");
        for (std::size_t i = from; i < to; ++i)
            if (!attempt(i)) {
                savepoint(store_, "ROLLBACK TO SAVEPOINT", "tarn_chunk");
                savepoint(store_, "RELEASE SAVEPOINT", "tarn_chunk");
                return false;
            }
        savepoint(store_, "RELEASE SAVEPOINT", "tarn_chunk");
        return true;
    }

    // Item i under a savepoint of its own: false when it failed.
    bool alone(std::size_t i)
    {
        refusals_.clear();
        savepoint(store_, "SAVEPOINT", "tarn_item");
        if (attempt(i)) {
            savepoint(store_, "RELEASE SAVEPOINT", "tarn_item");
            return true;
        }
        savepoint(store_, "ROLLBACK TO SAVEPOINT", "tarn_item");
        savepoint(store_, "RELEASE SAVEPOINT", "tarn_item");
        explain(i);
        return batch_.outcomes[i].state != ZE_BATCH_FAILED;
    }

    // Runs item i; false (with its outcome set) when it failed. A key that
    // is taken is skipped or the item altered when the batch says so.
    bool attempt(std::size_t i)
    {
        Request &item = batch_.items[i];
        ItemOutcome &outcome = batch_.outcomes[i];
        if (!batch_.sent[i]) return (batch_.mode & ZE_BATCH_ATOMIC) == 0;  // its outcome is the library's
        try {
            outcome = {ZE_BATCH_DONE, 0, run(item, store_, table_)};
            return true;
        } catch (const Failure &failure) {
            outcome = {ZE_BATCH_FAILED, failure.code, failure.message};
        } catch (const StoreError &error) {
            if (error.kind == StoreErrorKind::Duplicate && item.command == Command::Define) return taken(i);
            if (!item_error(i, error)) throw;
        }
        return false;
    }

    // DEFINE of a key that exists fails here; once the item is rolled back
    // to its savepoint, `explain` skips it or alters the item instead.
    bool taken(std::size_t i)
    {
        Request &item = batch_.items[i];
        ItemOutcome &outcome = batch_.outcomes[i];
        const std::string text = table_.label + " " + std::string(key_of(item, table_)) + " already exists";
        outcome = {ZE_BATCH_FAILED, TARN_ROUTER_RC_ALREADY_EXISTS, text};
        return false;
    }

    // Sets item i's outcome for a store error that fails the item alone;
    // false when the error ends the batch, which the caller then rethrows.
    bool item_error(std::size_t i, const StoreError &error)
    {
        const Request &item = batch_.items[i];
        ItemOutcome &outcome = batch_.outcomes[i];
        const std::string what = std::string(item.word) + " on " + std::string(item.object);
        switch (error.kind) {
        case StoreErrorKind::Check:
        case StoreErrorKind::Required:
        case StoreErrorKind::Reference: refusals_.push_back({i, error}); [[fallthrough]];
        case StoreErrorKind::Refused:
            outcome = {ZE_BATCH_FAILED, TARN_ROUTER_RC_BAD_REQUEST, what + " refused: " + error.message};
            return true;
        default: return false;  // the batch as a whole fails
        }
    }

    // After item i was rolled back: a refused value explained, a taken key
    // skipped or altered.
    void explain(std::size_t i)
    {
        explain_refused(i);
        ItemOutcome &outcome = batch_.outcomes[i];
        if (outcome.code != TARN_ROUTER_RC_ALREADY_EXISTS) return;
        if (batch_.mode & ZE_BATCH_SKIP_EXISTING) outcome.state = ZE_BATCH_SKIPPED;
        if (batch_.mode & ZE_BATCH_REPLACE_EXISTING) replace(i);
    }

    void replace(std::size_t i)
    {
        Request item = batch_.items[i];
        item.command = Command::Alter;
        item.word = "ALTER";
        savepoint(store_, "SAVEPOINT", "tarn_item");
        try {
            run(item, store_, table_);
            savepoint(store_, "RELEASE SAVEPOINT", "tarn_item");
            batch_.outcomes[i].state = ZE_BATCH_REPLACED;
            return;
        } catch (const Failure &failure) {
            batch_.outcomes[i] = {ZE_BATCH_FAILED, failure.code, failure.message};
        } catch (const StoreError &error) {
            if (!item_error(i, error)) throw;
        }
        savepoint(store_, "ROLLBACK TO SAVEPOINT", "tarn_item");
        savepoint(store_, "RELEASE SAVEPOINT", "tarn_item");
    }

    Batch &batch_;
    Store &store_;
    const Table &table_;
    std::vector<std::string> messages_;  // of the items a multi-row INSERT stored
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    NewRows next_;  // the rows of the chunk at nextFrom_, made ahead
    std::size_t nextFrom_ = kNone;
    std::vector<std::pair<std::size_t, StoreError>> refusals_;  // the refused values to explain
};

// A taken key in an atomic batch: with SKIP_EXISTING or REPLACE_EXISTING
// the transaction must survive the failed INSERT, so such batches run with
// a savepoint per item too.
bool needs_savepoints(const Batch &batch) { return !batch.atomic() || (batch.mode & ~ZE_BATCH_ATOMIC) != 0; }

// The atomic run on a store, inside its transaction: the failing item, or
// the item count.
std::size_t run_atomic(Batch &batch, Runner &runner)
{
    if (!needs_savepoints(batch)) return runner.atomic();
    runner.best_effort();
    for (std::size_t i = 0; i < batch.outcomes.size(); ++i)
        if (batch.outcomes[i].state == ZE_BATCH_FAILED) return i;
    return batch.outcomes.size();
}

void report(DtsAction *action, const Batch &batch)
{
    for (std::size_t i = 0; i < batch.outcomes.size(); ++i) {
        const ItemOutcome &o = batch.outcomes[i];
        if (o.state == ZE_BATCH_NOT_RUN) continue;
        ZeSetDtsActionField(action, ZE_ACTION_BATCH_OUTCOME, static_cast<unsigned>(i), o.state, o.code,
                            o.message.c_str());
    }
}

// The summary: the first failure's code and message, else a count.
unsigned sum_up(DtsAction *action, const Batch &batch)
{
    std::size_t done = 0, skipped = 0, replaced = 0;
    for (const ItemOutcome &o : batch.outcomes) {
        if (o.state == ZE_BATCH_FAILED) {
            ZeSetDtsActionField(action, ZE_ACTION_MESSAGE, o.message.c_str());
            return o.code;
        }
        done += o.state == ZE_BATCH_DONE;
        skipped += o.state == ZE_BATCH_SKIPPED;
        replaced += o.state == ZE_BATCH_REPLACED;
    }
    std::string text = std::to_string(done) + " of " + std::to_string(batch.outcomes.size()) + " items " +
                       (batch.base.command == Command::Delete ? "deleted" : "carried out");
    if (skipped) text += ", " + std::to_string(skipped) + " skipped";
    if (replaced) text += ", " + std::to_string(replaced) + " replaced";
    ZeSetDtsActionField(action, ZE_ACTION_MESSAGE, text.c_str());
    return ZE_OK;
}

// Runs the batch in one transaction; `committing` tells a failure of the
// commit itself.
void carry_out_batch(Batch &batch, Store &store, bool &committing)
{
    store.begin(true);
    try {
        Table table = store.table(batch.base.node, batch.base.object);
        require_single_key(table);
        Runner runner(batch, store, table);
        if (batch.atomic()) {
            const std::size_t failed = run_atomic(batch, runner);
            if (failed < batch.outcomes.size()) {
                store.rollback();
                if (!needs_savepoints(batch)) runner.explain_refused(failed);
                for (std::size_t i = 0; i < batch.outcomes.size(); ++i)
                    if (i != failed && batch.outcomes[i].state != ZE_BATCH_FAILED)
                        batch.outcomes[i].state = i < failed ? ZE_BATCH_UNDONE : ZE_BATCH_NOT_RUN;
                return;
            }
        } else {
            runner.best_effort();
        }
        committing = true;
        store.commit();
    } catch (...) {
        if (!committing) store.rollback();
        throw;
    }
}

}  // namespace

unsigned route_batch(DtsAction *action, Backend &backend)
{
    if (!action) return ZE_RC_INVALID_PARAMETER;
    try {
        Batch batch = read_batch(action);
        if (batch.items.empty()) return sum_up(action, batch);
        // One connection for the whole batch: its statements share one transaction.
        Lease lease;
        bool committing = false;
        try {
            lease = backend.lease(batch.base);
            carry_out_batch(batch, lease.store(), committing);
        } catch (const StoreError &error) {
            if (error.kind == StoreErrorKind::Lost) lease.mark_broken();
            const Failure failure = store_failure(batch.base, error, committing);
            ZeSetDtsActionField(action, ZE_ACTION_MESSAGE, failure.message.c_str());
            return failure.code;
        }
        report(action, batch);
        return sum_up(action, batch);
    } catch (const Failure &failure) {
        ZeSetDtsActionField(action, ZE_ACTION_MESSAGE, failure.message.c_str());
        return failure.code;
    } catch (const std::bad_alloc &) {
        ZeSetDtsActionField(action, ZE_ACTION_MESSAGE, "out of memory; nothing of the batch was changed");
        return ZE_RC_NO_MEMORY;
    }
}

}  // namespace routecore
