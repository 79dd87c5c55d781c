// route(): one request from the action to its answer. The request runs in
// one transaction on the store the back end picks; store errors become the
// documented codes and messages; a broken connection is reconnected and the
// request sent once more when that cannot run a write twice; a request that
// met a changed table runs once more on the table as it now is.
#include "core.hpp"

#include "TarnRout.h"

#include <cstdio>
#include <mutex>
#include <new>

namespace routecore {

namespace {

struct Outcome {
    unsigned code;
    std::string message;
};

// The code and message of a statement the store refused.
Outcome store_outcome(const Request &request, const StoreError &error, bool committing)
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
        if (committing)
            return {TARN_ROUT_RC_CONNECTION_LOST, what + ": the connection to node " + node +
                                                      " broke during the commit; whether it took effect is unknown"};
        return {TARN_ROUT_RC_CONNECTION_LOST,
                what + ": the connection to node " + node + " broke; nothing was changed: " + error.message};
    case StoreErrorKind::Stale:
    case StoreErrorKind::Other: break;
    }
    return {TARN_ROUTER_RC_STORAGE_ERROR, what + " failed on node " + node + ": " + error.message};
}

// Where a request stood when its store failed.
enum class Stage { Begin, Work, Commit };

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
        return message;
    } catch (const StoreError &error) {
        if (stage != Stage::Commit) store.rollback();
        if (!is_refusal(error.kind) || table.columns.empty()) throw;
        throw explain_refusal(request, store, table, error);
    } catch (...) {
        if (stage != Stage::Commit) store.rollback();
        throw;
    }
}

// A read may always run again on a new connection; a write only when the
// connection broke before any of it was sent.
bool may_retry(const Request &request, Stage stage) { return !request.writes() || stage == Stage::Begin; }

Outcome carry_out(DtsAction *action, Backend &backend)
{
    Request request;
    try {
        request = read_request(action);
        if (is_session_command(request.command)) return {ZE_OK, backend.session(request, read_credentials(request))};
        for (int tries = 0;; ++tries) {
            Store &store = backend.store(request);
            Stage stage = Stage::Begin;
            try {
                return {ZE_OK, attempt(request, store, stage)};
            } catch (const StoreError &error) {
                // The failed statement ended its transaction: nothing took
                // effect, so the request may run once more on fresh tables.
                if (error.kind == StoreErrorKind::Stale && tries == 0) continue;
                if (error.kind != StoreErrorKind::Lost) return store_outcome(request, error, false);
                backend.reconnect(store);
                if (tries > 0 || !may_retry(request, stage))
                    return store_outcome(request, error, stage == Stage::Commit);
            }
        }
    } catch (const Failure &failure) {
        return {failure.code, failure.message};
    } catch (const StoreError &error) {
        return store_outcome(request, error, false);
    }
}

}  // namespace

namespace {

// Held for the whole of a request: requests from several threads of one
// module take turns, so a kept connection, a session and the list of them
// are never used by two threads at once. Recursive, so that a request made
// from inside an answer's loading does not wait for itself. Each module
// links its own copy of this core, so each has its own turn.
std::recursive_mutex &requests_turn()
{
    static std::recursive_mutex turn;
    return turn;
}

}  // namespace

unsigned route(DtsAction *action, Backend &backend)
{
    if (!action) return ZE_RC_INVALID_PARAMETER;
    char text[96];
    try {
        std::lock_guard<std::recursive_mutex> turn(requests_turn());
        Outcome outcome = carry_out(action, backend);
        ZeSetDtsActionField(action, ZE_ACTION_MESSAGE, outcome.message.c_str());
        return outcome.code;
    } catch (const std::bad_alloc &) {
        (void)std::snprintf(text, sizeof text, "%s: out of memory", backend.name());  // a long name is cut
        ZeSetDtsActionField(action, ZE_ACTION_MESSAGE, text);
        return ZE_RC_NO_MEMORY;
    } catch (...) {
        (void)std::snprintf(text, sizeof text, "%s: unexpected failure", backend.name());
        ZeSetDtsActionField(action, ZE_ACTION_MESSAGE, text);
        return TARN_ROUTER_RC_STORAGE_ERROR;
    }
}

}  // namespace routecore
