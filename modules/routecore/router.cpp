// route(): one request from the action to its answer. The request runs in
// one transaction on a connection it holds alone; store errors become the
// documented codes and messages, each saying whether the node changed
// nothing, carried the request out, or may have done either; a broken
// connection is reconnected and the request sent once more when that cannot
// run a write twice; a request that met a changed table runs once more on
// the table as it now is.
#include "core.hpp"
#include "pool.hpp"

#include "TarnRout.h"
#include "TarnUtil.h"

#include <cstdio>
#include <new>

namespace routecore {

namespace {

struct Outcome {
    unsigned code;
    std::string message;
};

// Where a request stood: what a failure there means for the node. Until the
// commit is sent nothing has changed, and a commit the node refuses changes
// nothing either; once it has been answered, the change is made. A
// connection lost during the commit leaves the outcome unknown.
enum class Stage { Begin, Work, Commit, Done };

// The code and message of a statement the store refused.
Outcome store_outcome(const Request &request, const StoreError &error, Stage stage)
{
    const std::string what = std::string(request.word) + " on " + std::string(request.object);
    const std::string node(request.node);
    switch (error.kind) {
    case StoreErrorKind::Duplicate: return {TARN_ROUTER_RC_ALREADY_EXISTS, what + " refused: " + error.message};
    case StoreErrorKind::Check:
    case StoreErrorKind::Required:
    case StoreErrorKind::Reference:
    case StoreErrorKind::Refused: return {TARN_ROUTER_RC_BAD_REQUEST, what + " refused: " + error.message};
    case StoreErrorKind::Permission:
        return {TARN_ROUT_RC_PERMISSION_DENIED, what + " refused by node " + node + ": " + error.message};
    case StoreErrorKind::Timeout:
        return {TARN_ROUT_RC_TIMEOUT, what + " timed out on node " + node + ": " + error.message};
    case StoreErrorKind::Conflict:
        return {TARN_ROUT_RC_CONFLICT,
                what + " conflicts with another change on node " + node + "; nothing was changed: " + error.message};
    case StoreErrorKind::NoMemory: return {ZE_RC_NO_MEMORY, what + " failed: out of memory"};
    case StoreErrorKind::Lost:
        if (stage == Stage::Commit)
            return {TARN_ROUTER_RC_OUTCOME_UNKNOWN, what + ": the connection to node " + node +
                                                        " broke during the commit; whether it took effect is unknown"};
        return {TARN_ROUT_RC_CONNECTION_LOST,
                what + ": the connection to node " + node + " broke; nothing was changed: " + error.message};
    case StoreErrorKind::Stale:
    case StoreErrorKind::Other: break;
    }
    return {TARN_ROUTER_RC_STORAGE_ERROR, what + " failed on node " + node + ": " + error.message};
}

bool is_refusal(StoreErrorKind kind)
{
    return kind == StoreErrorKind::Check || kind == StoreErrorKind::Required || kind == StoreErrorKind::Reference;
}

// One attempt on the store: table commands in one transaction. A value or
// change the node's rules refuse is explained once the transaction is
// rolled back.
std::string attempt(const Request &request, Store &store, Stage &stage)
{
    stage = Stage::Begin;
    store.begin(request.writes());
    stage = Stage::Work;
    Table table;
    try {
        table = store.table(request.node, request.object);
        require_single_key(table);
        std::string message = run(request, store, table);
        stage = Stage::Commit;
        store.commit();
        stage = Stage::Done;
        return message;
    } catch (const StoreError &error) {
        if (stage != Stage::Done) store.rollback();
        if (!is_refusal(error.kind) || table.columns.empty()) throw;
        throw explain_refusal(request, store, table, error);
    } catch (...) {
        if (stage != Stage::Done) store.rollback();
        throw;
    }
}

// A read may always run again on a new connection; a write only when the
// connection broke before any of it was sent.
bool may_retry(const Request &request, Stage stage) { return !request.writes() || stage == Stage::Begin; }

Outcome carry_out(DtsAction *action, Backend &backend, Stage &stage)
{
    Request request;
    try {
        request = read_request(action);
        if (is_session_command(request.command)) return {ZE_OK, backend.session(request, read_credentials(request))};
        if (request.command == Command::Status) return {ZE_OK, backend.status(request)};
        for (int tries = 0;; ++tries) {
            Lease lease = backend.lease(request);
            for (bool fresh = false;; fresh = true) {
                try {
                    return {ZE_OK, attempt(request, lease.store(), stage)};
                } catch (const StoreError &error) {
                    // The failed statement ended its transaction: nothing took
                    // effect, so the request may run once more on fresh tables.
                    if (error.kind == StoreErrorKind::Stale && !fresh) continue;
                    if (error.kind != StoreErrorKind::Lost) return store_outcome(request, error, stage);
                    lease.mark_broken();
                    if (tries > 0 || !may_retry(request, stage)) return store_outcome(request, error, stage);
                    break;
                }
            }
        }
    } catch (const Failure &failure) {
        return {failure.code, failure.message};
    } catch (const StoreError &error) {
        return store_outcome(request, error, Stage::Begin);
    }
}

// A failure that left no room for a message of its own (memory short, or
// an exception the core does not know): its code and a fixed text say what
// it means for the node, judged by how far the request got.
unsigned unexpected(DtsAction *action, const Backend &backend, Stage stage, bool memory)
{
    unsigned code = memory ? ZE_RC_NO_MEMORY : TARN_ROUTER_RC_STORAGE_ERROR;
    const char *meaning = "nothing was changed";
    if (stage == Stage::Commit) {
        code = TARN_ROUTER_RC_OUTCOME_UNKNOWN;
        meaning = "while committing: whether the change took effect is unknown";
    } else if (stage == Stage::Done) {
        code = ZE_OK;
        meaning = "after the change was committed";
    }
    char text[160];
    (void)std::snprintf(text, sizeof text, "%s: %s, %s", backend.name(),
                        memory ? "out of memory" : "unexpected failure",
                        meaning);  // a long name is cut
    if (stage >= Stage::Commit) TarnTrace("*** %s", text);
    ZeSetDtsActionField(action, ZE_ACTION_MESSAGE, text);
    return code;
}

}  // namespace

Failure store_failure(const Request &request, const StoreError &error, bool committing)
{
    Outcome outcome = store_outcome(request, error, committing ? Stage::Commit : Stage::Work);
    return {outcome.code, std::move(outcome.message)};
}

unsigned route(DtsAction *action, Backend &backend)
{
    if (!action) return ZE_RC_INVALID_PARAMETER;
    Stage stage = Stage::Begin;
    try {
        Outcome outcome = carry_out(action, backend, stage);
        ZeSetDtsActionField(action, ZE_ACTION_MESSAGE, outcome.message.c_str());
        return outcome.code;
    } catch (const std::bad_alloc &) {
        return unexpected(action, backend, stage, true);
    } catch (...) {
        return unexpected(action, backend, stage, false);
    }
}

}  // namespace routecore
