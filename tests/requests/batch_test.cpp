// Batches through a router library without router_batch (the test router):
// the items go out one request each, with their own outcomes; an atomic
// batch is refused before anything is sent.
#include "router_fixture.hpp"

#include "TarnRouter.h"

namespace {

using BatchTest = RouterTest;

struct OwnedBatch : Owned<DtsBatch, ZeDestroyDtsBatch> {
    OwnedBatch(const char *command, unsigned mode) { EXPECT_EQ(ZeCreateDtsBatch(command, mode, &p), 0u); }
    void add(const char *criteria) const
    {
        OwnedFilter f(criteria);
        EXPECT_EQ(ZeAddDtsBatchItem(p, f), 0u);
    }
    // "<state> <code> <node code> <message>" of item i.
    std::string outcome(unsigned i) const
    {
        unsigned state = 9, code = 9, nodeCode = 9;
        const char *message = nullptr;
        EXPECT_EQ(ZeGetDtsBatchOutcome(p, i, &state, &code, &nodeCode, &message), 0u);
        return std::to_string(state) + " " + std::to_string(code) + " " + std::to_string(nodeCode) + " " + message;
    }
};

}  // namespace

TEST_F(BatchTest, ItemsGoOutOneByOneWithTheirOwnOutcomes)
{
    OwnedBatch batch("define", ZE_BATCH_SKIP_EXISTING);
    batch.add("NAME EQ a, TYPE EQ Topic");
    batch.add("NAME EQ b");
    batch.add("NAME EQ c");
    unsigned count = 0;
    EXPECT_EQ(ZeGetDtsBatchSize(batch, &count), 0u);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(batch.outcome(0), "0 0 0 ");  // not run yet

    answer(0, "a defined");
    answer(TARN_ROUTER_RC_ALREADY_EXISTS, "b exists");
    answer(TARN_ROUTER_RC_VALUE_REFUSED, "OBJ_NAME: too long");
    EXPECT_EQ(ZeRunDtsBatch(batch, descriptor, info, result), ZE_RC_ROUTER_FAILED);
    ASSERT_EQ(requests(), 3);
    EXPECT_EQ(std::string(request(0).command), "DEFINE");
    EXPECT_EQ(sent_fields(0), (Texts{"OBJ_NAME EQ a", "TYPE EQ T"}));
    EXPECT_EQ(sent_fields(2), (Texts{"OBJ_NAME EQ c"}));
    EXPECT_EQ(batch.outcome(0), "1 0 0 a defined");
    EXPECT_EQ(batch.outcome(1), "2 0 1005 b exists");
    EXPECT_EQ(batch.outcome(2), "4 1 1018 NAME: too long");  // the field's name, as for one item
    EXPECT_EQ(result_code(), TARN_ROUTER_RC_VALUE_REFUSED);
    EXPECT_EQ(result_message(), "NAME: too long");

    // Run again: every outcome afresh; a taken key is replaced by an ALTER.
    OwnedBatch replace("DEFINE", ZE_BATCH_REPLACE_EXISTING);
    replace.add("NAME EQ b");
    router->reset();
    answer(TARN_ROUTER_RC_ALREADY_EXISTS, "b exists");
    answer(0, "b altered");
    EXPECT_EQ(ZeRunDtsBatch(replace, descriptor, info, result), 0u);
    ASSERT_EQ(requests(), 2);
    EXPECT_EQ(std::string(request(1).command), "ALTER");
    EXPECT_EQ(replace.outcome(0), "3 0 1005 b altered");
}

TEST_F(BatchTest, DeleteCriteriaAreCheckedAndAtomicNeedsTheRouter)
{
    OwnedBatch deletes("DELETE", ZE_BATCH_BEST_EFFORT);
    deletes.add("ENABLED EQ maybe");  // not a BOOL value: refused before sending
    deletes.add("NAME EQ x");
    EXPECT_EQ(ZeRunDtsBatch(deletes, descriptor, info, result), ZE_RC_ROUTER_FAILED);
    ASSERT_EQ(requests(), 1);
    EXPECT_EQ(sent_fields(0), (Texts{"OBJ_NAME EQ x"}));
    EXPECT_EQ(deletes.outcome(0).substr(0, 2), "4 ");
    EXPECT_NE(deletes.outcome(0).find("ENABLED"), std::string::npos);
    EXPECT_EQ(deletes.outcome(1), "1 0 0 ");

    // Stopping at a failure: the items after a refused one are not sent.
    router->reset();
    OwnedBatch stops("DELETE", ZE_BATCH_STOP_AT_FAILURE);
    stops.add("NAME EQ x");
    stops.add("ENABLED EQ maybe");
    stops.add("NAME EQ y");
    EXPECT_EQ(ZeRunDtsBatch(stops, descriptor, info, result), ZE_RC_ROUTER_FAILED);
    EXPECT_EQ(requests(), 1);
    EXPECT_EQ(stops.outcome(0), "1 0 0 ");
    EXPECT_EQ(stops.outcome(1).substr(0, 2), "4 ");
    EXPECT_EQ(stops.outcome(2), "0 0 0 ");

    router->reset();
    OwnedBatch atomic("ALTER", ZE_BATCH_ATOMIC);
    atomic.add("NAME EQ a");
    EXPECT_EQ(ZeRunDtsBatch(atomic, descriptor, info, result), ZE_RC_NOT_ATOMIC);
    EXPECT_EQ(requests(), 0);
    EXPECT_EQ(atomic.outcome(0), "0 0 0 ");

    // Bad parameters, and modes that do not fit the command.
    DtsBatch *bad = nullptr;
    EXPECT_EQ(ZeCreateDtsBatch("SELECT", 0, &bad), 4u);
    EXPECT_EQ(bad, nullptr);
    EXPECT_EQ(ZeCreateDtsBatch("ALTER", ZE_BATCH_SKIP_EXISTING, &bad), 4u);
    EXPECT_EQ(ZeCreateDtsBatch("DEFINE", ZE_BATCH_SKIP_EXISTING | ZE_BATCH_REPLACE_EXISTING, &bad), 4u);
    EXPECT_EQ(ZeCreateDtsBatch("DEFINE", 16u, &bad), 4u);
    EXPECT_EQ(ZeCreateDtsBatch("DEFINE", ZE_BATCH_ATOMIC | ZE_BATCH_STOP_AT_FAILURE, &bad), 4u);
    EXPECT_EQ(ZeGetDtsBatchOutcome(atomic, 1, nullptr, nullptr, nullptr, nullptr), 4u);
    EXPECT_EQ(ZeIsValidDtsBatch(atomic), 1);
    EXPECT_EQ(ZeIsValidDtsBatch(reinterpret_cast<DtsBatch *>(info)), 0);
    EXPECT_EQ(ZeAddDtsBatchItem(atomic, reinterpret_cast<Filter *>(info)), 4u);
    EXPECT_EQ(ZeRunDtsBatch(reinterpret_cast<DtsBatch *>(info), descriptor, info, result), 4u);

    // An empty batch sends nothing; one whose info names no user fails before sending.
    OwnedBatch empty("DELETE", 0);
    EXPECT_EQ(ZeRunDtsBatch(empty, descriptor, info, result), 0u);
    EXPECT_EQ(ZeSetDtsInfoField(info, ZE_INFO_USERNAME, nullptr), 0u);
    EXPECT_EQ(ZeRunDtsBatch(deletes, descriptor, info, result), ZE_RC_INFO_NO_USERNAME);
    EXPECT_EQ(requests(), 0);
    EXPECT_EQ(deletes.outcome(1), "0 0 0 ");
}

// A batch mapped ahead of its run: a refusal of the mapping stands, the
// run sends the rest; an item added after the mapping is mapped with the
// others; the next run maps again.
TEST_F(BatchTest, APreparedBatchKeepsItsRefusalsAndAnAddedItemIsMapped)
{
    OwnedBatch deletes("DELETE", ZE_BATCH_BEST_EFFORT);
    deletes.add("ENABLED EQ maybe");
    deletes.add("NAME EQ x");
    EXPECT_EQ(ZePrepareDtsBatch(deletes, descriptor, info, result), 0u);
    EXPECT_EQ(requests(), 0);
    EXPECT_EQ(deletes.outcome(0).substr(0, 2), "4 ");
    EXPECT_NE(deletes.outcome(0).find("ENABLED"), std::string::npos);
    answer(0, "x deleted");
    EXPECT_EQ(ZeRunDtsBatch(deletes, descriptor, info, result), ZE_RC_ROUTER_FAILED);
    ASSERT_EQ(requests(), 1);
    EXPECT_EQ(sent_fields(0), (Texts{"OBJ_NAME EQ x"}));
    EXPECT_EQ(deletes.outcome(0).substr(0, 2), "4 ");
    EXPECT_EQ(deletes.outcome(1), "1 0 0 x deleted");

    router->reset();
    OwnedBatch defines("DEFINE", ZE_BATCH_BEST_EFFORT);
    defines.add("NAME EQ a");
    EXPECT_EQ(ZePrepareDtsBatch(defines, descriptor, info, result), 0u);
    defines.add("NAME EQ b, TYPE EQ Topic");
    EXPECT_EQ(ZeRunDtsBatch(defines, descriptor, info, result), 0u);
    ASSERT_EQ(requests(), 2);
    EXPECT_EQ(sent_fields(1), (Texts{"OBJ_NAME EQ b", "TYPE EQ T"}));
    router->reset();
    EXPECT_EQ(ZeRunDtsBatch(defines, descriptor, info, result), 0u);
    EXPECT_EQ(requests(), 2);
    EXPECT_EQ(sent_fields(0), (Texts{"OBJ_NAME EQ a"}));

    EXPECT_EQ(ZePrepareDtsBatch(reinterpret_cast<DtsBatch *>(info), descriptor, info, result), 4u);
    EXPECT_EQ(ZePrepareDtsBatch(defines, nullptr, info, result), 4u);
}
