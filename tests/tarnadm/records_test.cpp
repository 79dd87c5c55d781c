// Record files: export, delete and import give back the same node; a
// damaged file, one with a value its field refuses, or one that does not
// match its manifest, imports nothing; refused records are listed by
// number; Ctrl-C leaves every record imported or not, and a second run
// completes the import; "-" pipes; progress stays off pipes.
#include "tarnadm_run.hpp"

#include <nlohmann/json.hpp>
#include <csignal>
#include <map>
#include <tuple>

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
    // Writes a record file of these columns and records at file_.
    void write_record_file(const std::vector<std::string> &columns,
                           const std::vector<std::vector<std::string>> &records)
    {
        const auto texts = [](const std::vector<std::string> &strings) {
            std::vector<char *> pointers;
            for (const std::string &s : strings) pointers.push_back(const_cast<char *>(s.c_str()));
            return pointers;
        };
        std::vector<char *> names = texts(columns);
        FILE *file = nullptr;
        ASSERT_EQ(ZeOpenOutputRdwFile(file_.c_str(), names.data(), static_cast<int>(names.size()), &file), ZE_OK);
        for (const std::vector<std::string> &record : records) {
            std::vector<char *> values = texts(record);
            ZeWriteRdwData(file, values.data(), static_cast<int>(values.size()));
        }
        TarnCloseFile(file);
    }
    std::string file_;
    void SetUp() override
    {
        TarnadmTest::SetUp();
        file_ = work_ + "/printers.rdw";
        sql("DELETE FROM QUEUE", true);  // queues would keep their printers from being deleted
    }
};

TEST_F(Records, ExportDeleteImportGivesTheSameNode)
{
    add_printers(50);
    sql("INSERT INTO PRINTER (PRN_NAME, PRN_DESC) VALUES ('LONG', '" + std::string(80, 'y') + "')", true);
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
    EXPECT_NE(r.err.find("record 1: code 1, node code 1005: PRINTER COLOR1 already exists"), std::string::npos)
        << r.err;
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

    // All or nothing: record 2 is refused, so record 1 is undone.
    sql("DELETE FROM PRINTER WHERE PRN_NAME = 'COLOR1'", true);
    r = run({"import", "PRINTER", file_, "--atomic"});
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.out, "0 defined, 1 failed, nothing imported (1 undone)\n");
    EXPECT_NE(r.err.find("record 2: code 1, node code 1005: PRINTER LABELS already exists"), std::string::npos)
        << r.err;
    EXPECT_EQ(sql("SELECT count(*) FROM PRINTER"), "2");
}

TEST_F(Records, DamagedFilesImportNothing)
{
    ASSERT_EQ(run({"export", "PRINTER", file_}).exit, 0);
    const std::string whole = read_file(file_);
    EXPECT_EQ(run({"delete", "PRINTER", "NAME=*", "--yes"}).exit, 0);
    std::string corrupt = whole;
    corrupt[whole.find("LABELS") - 4] = static_cast<char>(0x7f);  // record 2's NAME says more than the record holds
    const struct {
        std::string content;
        const char *kind, *message;
    } cases[] = {
        {whole.substr(0, whole.size() - 6), "PRINTER", "record 5 is damaged; nothing imported"},
        {corrupt, "PRINTER", "record 2 is damaged"},
        {"not a record file", "PRINTER", "no valid header record"},
        {whole, "QUEUE", "column STATUS"},  // refused before anything is sent
    };
    for (const auto &c : cases) {
        write_file(file_, c.content);
        const Result r = run({"import", c.kind, file_});
        EXPECT_EQ(r.exit, 2);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    EXPECT_EQ(sql("SELECT count(*) FROM PRINTER"), "0");

    // An export that cannot be written leaves nothing behind.
    const Result r = run({"export", "PRINTER", work_ + "/no/such/dir/p.rdw"});
    EXPECT_EQ(r.exit, 2);
    EXPECT_FALSE(std::filesystem::exists(work_ + "/no"));
}

// A value that define would refuse is refused on import too, before any
// record is defined: the file imports nothing.
TEST_F(Records, ImportChecksEveryValueFirst)
{
    const std::string before = sql(kPrinters), longText(30000, 'z');
    for (const auto &[field, value, code] : {std::tuple{"SHARED", "maybe", 312},
                                             {"INSTALLED", "02/30/2024", 252},
                                             {"DESCRIPTION", longText.c_str(), 301}}) {
        write_record_file({"NAME", field}, {{"P1", ""}, {"P2", value}});
        const Result r = run({"import", "PRINTER", file_});
        EXPECT_EQ(r.exit, 3) << field;
        const std::string expected = std::string("record 2: ") + field + " value \"" + std::string(value, 3);
        EXPECT_EQ(r.err.find(expected), 9u) << r.err.substr(0, 200);
        EXPECT_NE(r.err.find("nothing imported: code " + std::to_string(code)), std::string::npos) << field;
    }
    // A value found valid for one field is checked again for another.
    write_record_file({"NAME", "COPIES", "SHARED"}, {{"P1", "5", ""}, {"P2", "5", "5"}});
    const Result r = run({"import", "PRINTER", file_});
    EXPECT_EQ(r.exit, 3);
    EXPECT_EQ(r.err.find("record 2: SHARED value \"5\""), 9u) << r.err;
    EXPECT_EQ(sql(kPrinters), before);
}

// Across several batches (1,000 records each), and values checked on two
// threads: the first record refused is the one named, failures come in
// record order, and --stop-on-error stops inside the batch that failed.
TEST_F(Records, ManyBatchesKeepRecordOrder)
{
    const auto write_records = [this](int count, std::map<int, const char *> copies) {
        std::vector<std::vector<std::string>> records;
        for (int i = 1; i <= count; ++i) {
            char key[16];
            std::snprintf(key, sizeof key, "Q%05d", i);
            records.push_back({key, copies.count(i) ? copies[i] : "1"});
        }
        write_record_file({"NAME", "COPIES"}, records);
    };
    const auto stored = [this] { return sql("SELECT count(*) FROM PRINTER WHERE PRN_NAME LIKE 'Q%'"); };
    write_records(1300, {{1250, "0"}, {600, "0"}});
    Result r = run({"import", "PRINTER", file_});
    EXPECT_EQ(r.exit, 3);
    EXPECT_EQ(r.err.find("record 600: COPIES value \"0\""), 9u) << r.err;
    EXPECT_EQ(stored(), "0");

    write_records(1300, {});
    sql("INSERT INTO PRINTER (PRN_NAME) VALUES ('Q01251'), ('Q00002')", true);
    r = run({"import", "PRINTER", file_});
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.out, "1298 defined, 2 failed\n");
    const std::size_t second = r.err.find("record 2: "), late = r.err.find("record 1251: ");
    EXPECT_NE(second, std::string::npos) << r.err;
    EXPECT_NE(late, std::string::npos) << r.err;
    EXPECT_LT(second, late);

    sql("DELETE FROM PRINTER WHERE PRN_NAME <> 'Q00701' AND PRN_NAME LIKE 'Q%'", true);
    r = run({"import", "PRINTER", file_, "--stop-on-error", "-o", "json"});
    EXPECT_EQ(r.exit, 1);
    const auto summary = nlohmann::json::parse(r.out);
    EXPECT_EQ(summary["defined"], 700);
    EXPECT_EQ(summary["failures"][0]["record"], 701);
    EXPECT_EQ(stored(), "701");
}

// "-" is standard input and output; the manifest beside an exported file
// tells a file cut at a record boundary; --replace alters what exists.
TEST_F(Records, PipesManifestsAndReplacingImports)
{
    const std::string before = sql(kPrinters);
    Result r = run({"export", "PRINTER", "-"});
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.err, "5 exported\n");
    const std::string records = r.out;
    ASSERT_EQ(run({"delete", "PRINTER", "NAME=*", "--yes"}).exit, 0);
    r = run({"import", "PRINTER", "-"}, records);
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(sql(kPrinters), before);

    ASSERT_EQ(run({"export", "PRINTER", file_}).exit, 0);
    EXPECT_NE(read_file(file_ + ".manifest").find("\nrecords=5\nbytes="), std::string::npos);
    ASSERT_EQ(run({"export", "PRINTER", work_ + "/part.rdw", "NAME!=LASER2"}).exit, 0);  // one record fewer
    std::filesystem::rename(work_ + "/part.rdw", file_);
    sql("UPDATE PRINTER SET PRN_COPIES = 9", true);
    r = run({"import", "PRINTER", file_, "--replace"});
    EXPECT_EQ(r.exit, 2);
    EXPECT_NE(r.err.find(file_ + " holds 4 records where its manifest counts 5; nothing imported"), std::string::npos)
        << r.err;
    std::filesystem::remove(file_ + ".manifest");
    r = run({"import", "PRINTER", file_, "--replace"});
    EXPECT_EQ(r.out, "0 defined, 4 replaced, 0 failed\n") << r.err;
    EXPECT_EQ(sql("SELECT PRN_NAME FROM PRINTER WHERE PRN_COPIES = 9"), "LASER2");  // not in the file

    r = run({"import", "PRINTER", work_ + "/none.rdw"});
    EXPECT_EQ(r.exit, 2);
    EXPECT_NE(r.err.find("none.rdw: no such file"), std::string::npos) << r.err;
}

TEST_F(Records, InterruptedImportLeavesEveryRecordWholeOrAbsent)
{
    add_printers(3000);
    Result r = run({"export", "PRINTER", file_});
    ASSERT_EQ(r.exit, 0);
    EXPECT_EQ(r.err, "") << "progress never goes into piped output";
    ASSERT_EQ(run({"delete", "PRINTER", "NAME=*", "--yes"}).exit, 0);

    const std::string out = work_ + "/import.out";
    std::vector<std::string> env = environment({});
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
        exec_tarnadm({"import", "PRINTER", file_}, env);
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

    // Run again, the import skips what the first run defined and completes.
    r = run({"import", "PRINTER", file_, "--skip-existing"});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, std::to_string(3005 - defined) + " defined, " + std::to_string(defined) + " skipped, 0 failed\n");
    EXPECT_EQ(sql("SELECT count(*) FROM PRINTER"), "3005");
}
