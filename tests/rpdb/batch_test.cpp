// Batches on both routers: every item's outcome, what stands in the
// database after a best-effort and after an atomic batch with a failing
// item, taken keys skipped or replaced, and a batch of deletes.
#include "rpdb_test.hpp"

#include "TarnRouter.h"

#include <cstdio>
#include <map>

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

namespace {

// Items <prefix>000, 001, ... giving the same columns, so that a chunk of
// them goes together; item `bad` asks for more copies than the table takes.
// Item 1's location holds the characters that end values and rows.
void add_like(const Batch &batch, const char *prefix, int count, int bad = -1, const char *location = "L")
{
    for (int i = 0; i < count; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "%s%03d", prefix, i);
        const std::string copies = i == bad ? "100" : std::to_string(1 + i % 9);
        batch.add({{"NAME", "EQ", name},
                   {"COPIES", "EQ", copies.c_str()},
                   {"LOCATION", "EQ",
                    i == 1   ? "TAB\tHERE, BACK\\SLASH\nNEW LINE"
                    : i == 2 ? ""
                             : location}});
    }
}

// "<state>:<node code>" of `count` items, those in `others` differing.
std::string like_states(int count, const char *state, std::map<int, std::string> others = {})
{
    std::string text;
    for (int i = 0; i < count; ++i) text += (i ? " " : "") + (others.count(i) ? others[i] : std::string(state));
    return text;
}

}  // namespace

TEST_F(Rpdb, BatchesOfLikeItemsKeepEachItemsOutcomeAcrossChunks)
{
    const auto count = [this](const char *prefix) {
        return sql(std::string("SELECT COUNT(*) FROM PRINTER WHERE PRN_NAME LIKE '") + prefix + "%'");
    };
    {
        // The failing item is in the second chunk: the first chunk is undone too.
        Batch atomic("DEFINE", ZE_BATCH_ATOMIC);
        add_like(atomic, "X", 300, 280);
        EXPECT_EQ(ZeRunDtsBatch(atomic.p, desc_, info_, result_), ZE_RC_ROUTER_FAILED);
        const std::string states = atomic.states();
        EXPECT_EQ(states.rfind(like_states(280, "5:0") + " 4:", 0), 0u) << states;
        EXPECT_TRUE(states.ends_with(" " + like_states(19, "0:0"))) << states;
        EXPECT_EQ(count("X"), "0");
    }
    {
        Batch best("DEFINE", ZE_BATCH_BEST_EFFORT);
        add_like(best, "X", 300, 10);
        EXPECT_EQ(ZeRunDtsBatch(best.p, desc_, info_, result_), ZE_RC_ROUTER_FAILED);
        EXPECT_EQ(best.states(), like_states(300, "1:0", {{10, "4:1018"}}));
        EXPECT_EQ(best.message(10).rfind("COPIES: ", 0), 0u) << best.message(10);
        EXPECT_EQ(best.message(0), "PRINTER X000 defined");
        EXPECT_EQ(best.message(299), "PRINTER X299 defined");
        EXPECT_EQ(count("X"), "299");
        // Refused in the second chunk, whose rows were made while the first was stored.
        Batch later("DEFINE", ZE_BATCH_BEST_EFFORT);
        add_like(later, "W", 300, 270);
        EXPECT_EQ(ZeRunDtsBatch(later.p, desc_, info_, result_), ZE_RC_ROUTER_FAILED);
        EXPECT_EQ(later.states(), like_states(300, "1:0", {{270, "4:1018"}}));
        EXPECT_EQ(later.message(271), "PRINTER W271 defined");
        EXPECT_EQ(count("W"), "299");
    }
    {
        // No key taken: skipping changes nothing. All taken: each skipped.
        Batch fresh("DEFINE", ZE_BATCH_SKIP_EXISTING);
        add_like(fresh, "Y", 20);
        EXPECT_EQ(ZeRunDtsBatch(fresh.p, desc_, info_, result_), ZE_OK) << message();
        EXPECT_EQ(fresh.states(), like_states(20, "1:0"));
        Batch again("DEFINE", ZE_BATCH_SKIP_EXISTING);
        add_like(again, "Y", 20);
        EXPECT_EQ(ZeRunDtsBatch(again.p, desc_, info_, result_), ZE_OK) << message();
        EXPECT_EQ(again.states(), like_states(20, "2:1005"));
        EXPECT_EQ(message(), "0 of 20 items carried out, 20 skipped");
    }
    {
        // The first chunk's keys are new, the second's taken (but X010): those are altered.
        Batch replace("DEFINE", ZE_BATCH_REPLACE_EXISTING);
        add_like(replace, "Z", 256, -1, "NEW");
        add_like(replace, "X", 20, -1, "NEW");
        EXPECT_EQ(ZeRunDtsBatch(replace.p, desc_, info_, result_), ZE_OK) << message();
        std::map<int, std::string> taken;
        for (int i = 256; i < 276; ++i) taken[i] = i == 266 ? "1:0" : "3:1005";
        EXPECT_EQ(replace.states(), like_states(276, "1:0", taken));
        EXPECT_EQ(count("Z"), "256");
        EXPECT_EQ(sql("SELECT PRN_NAME, PRN_COPIES + 0, PRN_LOCATION FROM PRINTER WHERE PRN_NAME IN ('Z001', 'Z002', "
                      "'Z255') ORDER BY 1"),
                  "Z001|2|TAB\tHERE, BACK\\SLASH\nNEW LINE;Z002|3|<null>;Z255|4|NEW");
        EXPECT_EQ(sql("SELECT COUNT(*) FROM PRINTER WHERE PRN_LOCATION = 'NEW'"), "272");
    }
    {
        // Keys that are all there, then keys of which one is not.
        Batch there("DELETE", ZE_BATCH_BEST_EFFORT);
        for (const char *key : {"Z000", "Z001", "Z002"}) there.add({{"NAME", "EQ", key}});
        EXPECT_EQ(ZeRunDtsBatch(there.p, desc_, info_, result_), ZE_OK) << message();
        EXPECT_EQ(there.states(), "1:0 1:0 1:0");
        EXPECT_EQ(there.message(1), "PRINTER Z001 deleted");
        Batch missing("DELETE", ZE_BATCH_BEST_EFFORT);
        for (const char *key : {"X009", "X300", "X011"}) missing.add({{"NAME", "EQ", key}});
        EXPECT_EQ(ZeRunDtsBatch(missing.p, desc_, info_, result_), ZE_RC_ROUTER_FAILED);
        EXPECT_EQ(missing.states(), "1:0 4:1004 1:0");
        EXPECT_EQ(missing.message(1), "PRINTER X300 not found");
        EXPECT_EQ(count("Z") + " " + count("X"), "253 298");
    }
}

// The rows of a batch go in as INSERTs do: a table's INSERT rule applies.
TEST_F(Rpdb, BatchesKeepTheTablesInsertRules)
{
    if (!postgres()) GTEST_SKIP() << "rules are PostgreSQL's";
    sql("CREATE TABLE printer_log (name text); CREATE RULE printer_logged AS ON INSERT TO printer "
        "DO ALSO INSERT INTO printer_log VALUES (NEW.prn_name)");
    Batch batch("DEFINE", ZE_BATCH_BEST_EFFORT);
    add_like(batch, "R", 3);
    EXPECT_EQ(ZeRunDtsBatch(batch.p, desc_, info_, result_), ZE_OK) << message();
    EXPECT_EQ(sql("SELECT string_agg(name, ' ' ORDER BY name) FROM printer_log"), "R000 R001 R002");
}
