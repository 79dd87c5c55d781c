// Batches on both routers: every item's outcome, what stands in the
// database after a best-effort and after an atomic batch with a failing
// item, taken keys skipped or replaced, and a batch of deletes.
#include "rpdb_test.hpp"

#include "TarnRouter.h"

namespace {

struct Batch {
    DtsBatch *p = nullptr;
    Batch(const char *command, unsigned mode) { EXPECT_EQ(ZeCreateDtsBatch(command, mode, &p), 0u); }
    ~Batch() { ZeDestroyDtsBatch(p); }
    Batch(const Batch &) = delete;
    Batch &operator=(const Batch &) = delete;
    void add(Criteria criteria) const { EXPECT_EQ(ZeAddDtsBatchItem(p, filter(criteria).get()), 0u); }
    // "<state> <node code>" of each item, and the messages.
    std::string states() const
    {
        std::string text;
        unsigned count = 0;
        ZeGetDtsBatchSize(p, &count);
        for (unsigned i = 0; i < count; ++i) {
            unsigned state = 0, code = 0, node = 0;
            ZeGetDtsBatchOutcome(p, i, &state, &code, &node, nullptr);
            text += (i ? " " : "") + std::to_string(state) + ":" + std::to_string(node);
        }
        return text;
    }
    std::string message(unsigned i) const
    {
        const char *text = nullptr;
        ZeGetDtsBatchOutcome(p, i, nullptr, nullptr, nullptr, &text);
        return text;
    }
};

void add_printers(const Batch &batch)
{
    batch.add({{"NAME", "EQ", "B1"}, {"STATUS", "EQ", "Offline"}, {"COPIES", "EQ", "2"}});
    batch.add({{"NAME", "EQ", "PLOTTER"}});  // taken
    batch.add({{"NAME", "EQ", "B2"}, {"COPIES", "EQ", "100"}});
    batch.add({{"NAME", "EQ", "B3"}, {"LOCATION", "EQ", "BLDG 'Q'"}});
}

}  // namespace

TEST_F(Rpdb, BatchesKeepEachItemsOutcomeAndAtomicOnesAllOrNothing)
{
    const std::string query = "SELECT PRN_NAME, PRN_STATUS, PRN_COPIES + 0, PRN_LOCATION FROM PRINTER "
                              "WHERE PRN_NAME LIKE 'B%' ORDER BY 1";
    {
        Batch atomic("DEFINE", ZE_BATCH_ATOMIC);
        add_printers(atomic);
        EXPECT_EQ(ZeRunDtsBatch(atomic.p, desc_, info_, result_), ZE_RC_ROUTER_FAILED);
        EXPECT_EQ(atomic.states(), "5:0 4:1005 0:0 0:0");
        EXPECT_EQ(atomic.message(1), "PRINTER PLOTTER already exists");
        EXPECT_EQ(outcome(), Outcome(TARN_ROUTER_RC_ALREADY_EXISTS, "PRINTER PLOTTER already exists"));
        EXPECT_EQ(sql(query), "");
    }
    {
        Batch best("DEFINE", ZE_BATCH_BEST_EFFORT);
        add_printers(best);
        EXPECT_EQ(ZeRunDtsBatch(best.p, desc_, info_, result_), ZE_RC_ROUTER_FAILED);
        EXPECT_EQ(best.states(), "1:0 4:1005 4:1018 1:0");
        EXPECT_EQ(best.message(2).rfind("COPIES: ", 0), 0u) << best.message(2);
        EXPECT_EQ(sql(query), "B1|O|2|<null>;B3|R|1|BLDG 'Q'");
    }
    {
        // Run again with taken keys skipped: nothing fails but the refused value.
        Batch skip("DEFINE", ZE_BATCH_SKIP_EXISTING);
        add_printers(skip);
        EXPECT_EQ(ZeRunDtsBatch(skip.p, desc_, info_, result_), ZE_RC_ROUTER_FAILED);
        EXPECT_EQ(skip.states(), "2:1005 2:1005 4:1018 2:1005");
    }
    {
        Batch replace("DEFINE", ZE_BATCH_REPLACE_EXISTING | ZE_BATCH_ATOMIC);
        replace.add({{"NAME", "EQ", "B1"}, {"STATUS", "EQ", "Ready"}});
        replace.add({{"NAME", "EQ", "B4"}, {"COPIES", "EQ", "4"}});
        EXPECT_EQ(ZeRunDtsBatch(replace.p, desc_, info_, result_), ZE_OK) << message();
        EXPECT_EQ(replace.states(), "3:1005 1:0");
        EXPECT_EQ(message(), "1 of 2 items carried out, 1 replaced");
        EXPECT_EQ(sql(query), "B1|R|2|<null>;B3|R|1|BLDG 'Q';B4|R|4|<null>");
    }
    {
        // Stopping at the first failure: the items before it stand, the rest is not carried out.
        Batch stops("DEFINE", ZE_BATCH_STOP_AT_FAILURE);
        stops.add({{"NAME", "EQ", "B5"}});
        stops.add({{"NAME", "EQ", "PLOTTER"}});
        stops.add({{"NAME", "EQ", "B6"}});
        EXPECT_EQ(ZeRunDtsBatch(stops.p, desc_, info_, result_), ZE_RC_ROUTER_FAILED);
        EXPECT_EQ(stops.states(), "1:0 4:1005 0:0");
        EXPECT_EQ(sql("SELECT COUNT(*) FROM PRINTER WHERE PRN_NAME IN ('B5', 'B6')"), "1");
    }
    {
        Batch deletes("DELETE", ZE_BATCH_BEST_EFFORT);
        deletes.add({{"NAME", "EQ", "B1"}});
        deletes.add({{"NAME", "EQ", "B9"}});
        deletes.add({{"NAME", "EQ", "B*"}});
        EXPECT_EQ(ZeRunDtsBatch(deletes.p, desc_, info_, result_), ZE_RC_ROUTER_FAILED);
        EXPECT_EQ(deletes.states(), "1:0 4:1004 1:0");
        EXPECT_EQ(deletes.message(2), "3 rows deleted");
        EXPECT_EQ(sql(query), "");
    }
}
