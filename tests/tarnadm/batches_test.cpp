// define of several items and delete of several items go to the node as
// batches: a refused item is named with its number, key and reason while
// the others stand, --atomic leaves nothing, a delete by criteria sends one
// request for all the items it selects, and several nodes each report
// their own summary.
#include "tarnadm_run.hpp"

#include <nlohmann/json.hpp>

namespace {

std::size_t count_of(const std::string &text, const std::string &part)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

}  // namespace

using Batches = TarnadmTest;

TEST_F(Batches, DefiningSeveralItemsNamesEachRefusalAndAtomicLeavesNothing)
{
    Result r = run({"define", "PRINTER", "NAME=P1", "COPIES=2", "+", "NAME=LASER1", "+", "NAME=P3", "LOCATION=BLDG Z"});
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.out, "2 defined, 1 failed\n");
    EXPECT_EQ(r.err, "tarnadm: item 2 (LASER1): code 1, node code 1005: PRINTER LASER1 already exists\n");
    EXPECT_EQ(sql("SELECT PRN_NAME, PRN_COPIES, ifnull(PRN_LOCATION, '') FROM PRINTER WHERE PRN_NAME LIKE 'P_' "
                  "ORDER BY 1"),
              "P1|2|;P3|1|BLDG Z");

    r = run({"define", "PRINTER", "NAME=P4", "+", "NAME=P5", "+", "NAME=LASER1", "--atomic", "-o", "json"});
    EXPECT_EQ(r.exit, 1);
    const auto summary = nlohmann::json::parse(r.out);
    EXPECT_EQ(summary["defined"], 0);
    EXPECT_EQ(summary["undone"], 2);
    EXPECT_EQ(summary["failures"][0]["item"], 3);
    EXPECT_EQ(summary["failures"][0]["key"], "LASER1");
    EXPECT_EQ(summary["failures"][0]["node_code"], 1005);
    r = run({"define", "PRINTER", "NAME=P4", "+", "NAME=LASER1", "--atomic"});
    EXPECT_EQ(r.out, "0 defined, 1 failed, nothing defined (1 undone)\n");
    EXPECT_EQ(sql("SELECT count(*) FROM PRINTER WHERE PRN_NAME IN ('P4', 'P5')"), "0");

    // --stop-on-error keeps what came before the refusal and sends nothing after it.
    r = run({"define", "PRINTER", "NAME=P6", "+", "NAME=LASER1", "+", "NAME=P7", "--stop-on-error", "-o", "csv"});
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.out, "DEFINED,FAILED,INTERRUPTED\r\n1,1,FALSE\r\n");
    EXPECT_EQ(sql("SELECT PRN_NAME FROM PRINTER WHERE PRN_NAME IN ('P6', 'P7')"), "P6");

    // Every value is checked before anything is sent; a bad item is a usage error.
    const struct {
        std::vector<std::string> args;
        int exit;
        const char *message;
    } refused[] = {
        {{"NAME=P8", "+", "NAME=P9", "COPIES=100"},
         3,
         "tarnadm: item 2: COPIES value \"100\" refused; nothing defined"},
        {{"NAME=P8", "+"}, 2, "tarnadm: item 2: no FIELD=VALUE"},
        {{"NAME=P8", "+", "COLOUR=red"}, 2, "tarnadm: item 2: unknown field COLOUR"},
    };
    for (const auto &c : refused) {
        std::vector<std::string> args = {"define", "PRINTER"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        r = run(args);
        EXPECT_EQ(r.exit, c.exit) << r.err;
        EXPECT_EQ(r.err.rfind(c.message, 0), 0u) << r.err;
    }
    EXPECT_EQ(sql("SELECT count(*) FROM PRINTER WHERE PRN_NAME = 'P8'"), "0");
}

TEST_F(Batches, DeletingByCriteriaSendsTheSelectedItemsAsOneBatch)
{
    sql("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 39) "
        "INSERT INTO PRINTER (PRN_NAME, PRN_COPIES) SELECT printf('P%02d', i), 1 FROM n",
        true);
    // Queues feed LASER1 and LASER2: all or nothing deletes nothing.
    sql("DELETE FROM QUEUE WHERE QUE_PRINTER NOT IN ('LASER1', 'LASER2')", true);
    Result r = run({"delete", "PRINTER", "NAME=*", "--yes", "--atomic"});
    EXPECT_EQ(r.exit, 3);
    EXPECT_NE(r.out.find(", nothing deleted ("), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("(LASER1): code 1, node code 1018: PRINTER LASER1: still referenced by QUEUE"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(sql("SELECT count(*) FROM PRINTER"), "45");

    // Best effort deletes every other item, in one request for all of them.
    const std::string trace = work_ + "/trace.txt";
    r = run({"delete", "PRINTER", "NAME=*", "--yes", "--trace=" + trace});
    EXPECT_EQ(r.exit, 3);
    EXPECT_EQ(r.out, "43 deleted, 2 failed\n");
    EXPECT_NE(r.err.find("(LASER1): code 1, node code 1018: PRINTER LASER1: still referenced by QUEUE"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(count_of(read_file(trace), "Routing of DELETE command complete"), 1u);
    EXPECT_EQ(sql("SELECT PRN_NAME FROM PRINTER ORDER BY 1"), "LASER1;LASER2");

    // Several keys need no --yes; one key still answers with the node's message.
    sql("DELETE FROM QUEUE", true);
    r = run({"delete", "PRINTER", "LASER1", "NOPE", "-o", "json"});
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(nlohmann::json::parse(r.out)["deleted"], 1) << r.out;
    r = run({"delete", "PRINTER", "LASER2"});
    EXPECT_EQ(r.out, "PRINTER LASER2 deleted\n");
    EXPECT_EQ(sql("SELECT count(*) FROM PRINTER"), "0");
    r = run({"delete", "PRINTER", "NAME=*", "--yes"});
    EXPECT_EQ(r.exit, 1);
    EXPECT_NE(r.err.find("nothing matches the criteria"), std::string::npos) << r.err;
}

TEST_F(Batches, SeveralNodesEachReportTheirOwnSummary)
{
    Result r = run({"--node", "DEMO,DEMONT,NOWHERE", "define", "PRINTER", "NAME=P1", "+", "NAME=LASER1"});
    EXPECT_EQ(r.exit, 4);
    EXPECT_EQ(r.out, "DEMO: 1 defined, 1 failed\nDEMONT: 1 defined, 1 failed\n");
    EXPECT_NE(r.err.find("tarnadm: node DEMONT: item 2 (LASER1): code 1, node code 1005"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("tarnadm: node NOWHERE: cannot define the items"), std::string::npos) << r.err;
    EXPECT_EQ(count_of(r.err, "\n"), 3u) << r.err;

    r = run({"--node", "DEMO,DEMONT", "-o", "csv", "delete", "PRINTER", "NAME=P1"});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "NODE,DELETED,FAILED,INTERRUPTED\r\nDEMO,1,0,FALSE\r\nDEMONT,1,0,FALSE\r\n");
    EXPECT_EQ(sqlite_rows(node_db("DEMONT"), "SELECT count(*) FROM PRINTER WHERE PRN_NAME = 'P1'"), "0");

    // One item altered on each node: the items as rows with a NODE column.
    r = run({"--node", "DEMO,DEMONT", "-o", "csv", "alter", "PRINTER", "LASER1", "COPIES=4"});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out.rfind("NODE,NAME,", 0), 0u) << r.out;
    EXPECT_EQ(count_of(r.out, "LASER1,"), 2u) << r.out;
    EXPECT_NE(r.out.find("\r\nDEMONT,LASER1,"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("{"), std::string::npos) << r.out;
}
