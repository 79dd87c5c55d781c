// Record files: export, delete and import give back the same node; a
// damaged file imports nothing; refused records are listed by number;
// Ctrl-C leaves every record imported or not; progress stays off pipes.
#include "tarnadm_run.hpp"

#include <nlohmann/json.hpp>
#include <csignal>

namespace {

const char *kPrinters = "SELECT PRN_NAME, PRN_STATUS, PRN_SHARED, ifnull(PRN_INSTALLED, ''), PRN_COPIES, "
                        "ifnull(PRN_LOCATION, ''), ifnull(PRN_DESC, '') FROM PRINTER ORDER BY 1";

}  // namespace

class Records : public TarnadmTest {
protected:
    // Adds printers P00000 ... with descriptions that need care in any format.
    void add_printers(int count)
    {
        sql("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i + 1 < " + std::to_string(count) +
                ") INSERT INTO PRINTER (PRN_NAME, PRN_COPIES, PRN_DESC) SELECT printf('P%05d', i), 1 + i % 99, "
                "printf('row %d, \"quoted\"' || char(10) || 'für ✓', i) FROM n",
            true);
    }
    std::string file_ = work_ + "/printers.rdw";
    void SetUp() override
    {
        TarnadmTest::SetUp();
        file_ = work_ + "/printers.rdw";
        sql("DELETE FROM QUEUE", true); // queues would keep their printers from being deleted
    }
};

TEST_F(Records, ExportDeleteImportGivesTheSameNode)
{
    add_printers(50);
    sql("INSERT INTO PRINTER (PRN_NAME, PRN_DESC) VALUES ('LONG', '" + std::string(255, 'y') + "')", true);
    const std::string before = sql(kPrinters);

    Result r = run({"export", "PRINTER", file_});
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "56 exported to " + file_ + "\n");
    EXPECT_EQ(run({"delete", "PRINTER", "NAME=*", "--yes"}).exit, 0);
    EXPECT_EQ(sql("SELECT count(*) FROM PRINTER"), "0");
    r = run({"import", "PRINTER", file_});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "56 defined, 0 failed\n");
    EXPECT_EQ(sql(kPrinters), before);

    // Criteria choose what is exported.
    ASSERT_EQ(run({"export", "PRINTER", file_, "COPIES>49"}).exit, 0);
    EXPECT_EQ(run({"delete", "PRINTER", "COPIES>49", "--yes"}).exit, 0);
    r = run({"import", "PRINTER", file_, "-o", "json"});
    EXPECT_EQ(nlohmann::json::parse(r.out)["defined"], 1) << r.out;
    EXPECT_EQ(sql(kPrinters), before);
}

TEST_F(Records, RefusedRecordsAreListedAndStopOnErrorStops)
{
    ASSERT_EQ(run({"export", "PRINTER", file_}).exit, 0);
    sql("DELETE FROM PRINTER WHERE PRN_NAME IN ('LASER1', 'PLOTTER')", true);
    Result r = run({"import", "PRINTER", file_});
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.out, "2 defined, 3 failed\n");
    EXPECT_NE(r.err.find("record 1: code 1, node code 1005: PRINTER COLOR1 already exists"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("record 4: code 1, node code 1005: PRINTER LASER2 already exists"), std::string::npos);
    EXPECT_EQ(sql("SELECT count(*) FROM PRINTER"), "5");

    sql("DELETE FROM PRINTER WHERE PRN_NAME IN ('LASER1', 'PLOTTER')", true);
    r = run({"import", "PRINTER", file_, "--stop-on-error", "-o", "json"});
    EXPECT_EQ(r.exit, 1);
    const auto summary = nlohmann::json::parse(r.out);
    EXPECT_EQ(summary["defined"], 0);
    EXPECT_EQ(summary["failed"], 1);
    EXPECT_EQ(summary["failures"][0]["record"], 1);
    EXPECT_EQ(sql("SELECT count(*) FROM PRINTER"), "3");
}

TEST_F(Records, DamagedFilesImportNothing)
{
    ASSERT_EQ(run({"export", "PRINTER", file_}).exit, 0);
    const std::string whole = read_file(file_);
    EXPECT_EQ(run({"delete", "PRINTER", "NAME=*", "--yes"}).exit, 0);

    // The file ends inside record 5.
    write_file(file_, whole.substr(0, whole.size() - 6));
    Result r = run({"import", "PRINTER", file_});
    EXPECT_EQ(r.exit, 2);
    EXPECT_NE(r.err.find("record 5 is damaged; nothing imported"), std::string::npos) << r.err;

    // Record 2's length word says more than the record holds.
    std::string corrupt = whole;
    const std::size_t second = whole.find("LABELS") - 4; // record length, then the item length of NAME
    corrupt[second] = static_cast<char>(0x7f);
    write_file(file_, corrupt);
    r = run({"import", "PRINTER", file_});
    EXPECT_EQ(r.exit, 2);
    EXPECT_NE(r.err.find("record 2 is damaged"), std::string::npos) << r.err;

    // An export that cannot be written leaves nothing behind.
    r = run({"export", "PRINTER", work_ + "/no/such/dir/p.rdw"});
    EXPECT_EQ(r.exit, 2);
    EXPECT_NE(r.err.find("cannot write"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(work_ + "/no"));

    write_file(file_, "not a record file");
    r = run({"import", "PRINTER", file_});
    EXPECT_EQ(r.exit, 2);
    EXPECT_NE(r.err.find("no valid header record"), std::string::npos) << r.err;
    r = run({"import", "PRINTER", work_ + "/missing.rdw"});
    EXPECT_EQ(r.exit, 2);
    EXPECT_EQ(sql("SELECT count(*) FROM PRINTER"), "0");

    // A column the object does not have is refused before anything is sent.
    r = run({"import", "QUEUE", whole.empty() ? file_ : (write_file(file_, whole), file_)});
    EXPECT_EQ(r.exit, 2);
    EXPECT_NE(r.err.find("column STATUS"), std::string::npos) << r.err;
}

TEST_F(Records, ProgressNeverGoesIntoPipedOutput)
{
    add_printers(3000);
    Result r = run({"export", "PRINTER", file_});
    EXPECT_EQ(r.exit, 0);
    EXPECT_EQ(r.err, "");
    r = run({"list", "PRINTER", "-o", "csv"});
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.find('\033'), std::string::npos);
}

TEST_F(Records, InterruptedImportLeavesEveryRecordWholeOrAbsent)
{
    add_printers(3000);
    ASSERT_EQ(run({"export", "PRINTER", file_}).exit, 0);
    ASSERT_EQ(run({"delete", "PRINTER", "NAME=*", "--yes"}).exit, 0);

    const std::string out = work_ + "/import.out";
    std::vector<std::string> env = environment({});
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
        exec({"import", "PRINTER", file_}, env);
    }
    int count = 0;
    for (int i = 0; i < 2000 && count < 20; ++i) {
        usleep(5000);
        count = std::atoi(sql("SELECT count(*) FROM PRINTER").c_str());
    }
    kill(pid, SIGINT);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 0) GTEST_SKIP() << "the import ended before it was interrupted";
    EXPECT_EQ(WEXITSTATUS(status), 130);
    const std::string summary = read_file(out);
    const int defined = std::atoi(summary.c_str());
    EXPECT_NE(summary.find(" defined, 0 failed, interrupted"), std::string::npos) << summary;
    EXPECT_GT(defined, 0);
    EXPECT_LT(defined, 3005);
    EXPECT_EQ(sql("SELECT count(*) FROM PRINTER"), std::to_string(defined));
    // Every stored row is complete.
    EXPECT_EQ(sql("SELECT count(*) FROM PRINTER WHERE PRN_NAME LIKE 'P0%' AND PRN_DESC NOT LIKE 'row %'"), "0");
}
