// TarnRpdb: the demo router. router_client carries out one request on the
// SQLite database of its node, in one transaction, and answers through the
// action fields; the contract is described in include/TarnRpdb.h.
#include "rpdb.hpp"

#include "ZeDts.h"

#include <new>

namespace rpdb {

namespace {

struct Outcome {
    unsigned code;
    std::string message;
};

// The code and message of a statement SQLite refused: values the table
// does not take are a bad request, a taken key is "already exists", the
// rest is the store failing.
Outcome storage_outcome(const Request &request, const SqlError &error)
{
    std::string what = std::string(request.word) + " on " + std::string(request.object);
    switch (error.code) {
    case SQLITE_CONSTRAINT_PRIMARYKEY:
    case SQLITE_CONSTRAINT_UNIQUE:
        return {TARN_RPDB_RC_ALREADY_EXISTS, what + " refused: " + error.message};
    default: break;
    }
    switch (error.code & 0xff) {
    case SQLITE_CONSTRAINT:
    case SQLITE_MISMATCH:
    case SQLITE_TOOBIG: return {TARN_RPDB_RC_BAD_REQUEST, what + " refused: " + error.message};
    case SQLITE_NOMEM: return {ZE_RC_NO_MEMORY, what + " failed: out of memory"};
    default:
        return {TARN_RPDB_RC_STORAGE_ERROR,
                what + " failed on node " + std::string(request.node) + ": " + error.message};
    }
}

Outcome carry_out(DtsAction *action)
{
    Request request;
    try {
        request = read_request(action);
        sqlite3 *db = node_connection(request.node);
        if (is_session_command(request.command)) return {ZE_OK, run_session(request, db)};
        Transaction transaction(db, request.writes());
        Table table = load_table(db, request.node, request.object);
        Outcome done{ZE_OK, run(request, db, table)};
        transaction.commit();
        return done;
    } catch (const Failure &failure) {
        return {failure.code, failure.message};
    } catch (const SqlError &error) {
        return storage_outcome(request, error);
    }
}

}  // namespace

}  // namespace rpdb

extern "C" __attribute__((visibility("default"))) unsigned int router_client(DtsAction *action)
{
    if (!action) return ZE_RC_INVALID_PARAMETER;
    try {
        rpdb::Outcome outcome = rpdb::carry_out(action);
        ZeSetDtsActionField(action, ZE_ACTION_MESSAGE, outcome.message.c_str());
        return outcome.code;
    } catch (const std::bad_alloc &) {
        ZeSetDtsActionField(action, ZE_ACTION_MESSAGE, "TarnRpdb: out of memory");
        return ZE_RC_NO_MEMORY;
    } catch (...) {
        ZeSetDtsActionField(action, ZE_ACTION_MESSAGE, "TarnRpdb: unexpected failure");
        return TARN_RPDB_RC_STORAGE_ERROR;
    }
}
