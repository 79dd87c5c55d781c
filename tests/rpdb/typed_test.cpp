// Typed values through the library's item operations, on both routers from
// one table of cases each: dates, numbers, mapped values, case folding,
// Unicode, refusals, clearing, times of day. Each test writes what every
// step answered (library code, node code, message, rows) into a transcript
// and compares the whole of it with the one kept in transcripts/, which
// both runs, rpdb (SQLite) and rout_items (PostgreSQL), must give.
#include "rpdb_test.hpp"

#include <iterator>

namespace {

enum class Step { Select, Names, Open, Define, Alter, Delete };

struct Case {
    Step step;
    Criteria criteria;
};

const char *step_name(Step step)
{
    switch (step) {
    case Step::Select: return "SELECT";
    case Step::Names: return "NAMES";
    case Step::Open: return "OPEN";
    case Step::Define: return "DEFINE";
    case Step::Alter: return "ALTER";
    case Step::Delete: return "DELETE";
    }
    return "?";
}

std::string read_text(const std::string &path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

class Typed : public Rpdb {
protected:
    void SetUp() override
    {
        Rpdb::SetUp();
        ZeDestroyDescriptor(desc_);
        desc_ = full_printer_descriptor();
    }

    // PRINTER as TarnObjs describes it.
    static Descriptor *full_printer_descriptor()
    {
        static const char *valid[] = {"Ready", "Offline", "Maintenance"}, *real[] = {"R", "O", "M"};
        Descriptor *d = nullptr;
        ZeCreateDescriptor(&d);
        ZeCreateField(d, "NAME", "REAL NAME", "PRN_NAME", "KEY", 1, "COPY TO", "NEW NAME", "MAX LENGTH", "32",
                      (char *)0);
        ZeCreateField(d, "STATUS", "REAL NAME", "PRN_STATUS", "VALID VALUES", valid, 3, "REAL VALUES", real, 3,
                      (char *)0);
        ZeCreateField(d, "SHARED", "TYPE", "BOOL", "REAL NAME", "PRN_SHARED", (char *)0);
        ZeCreateField(d, "INSTALLED", "TYPE", "DATE", "REAL NAME", "PRN_INSTALLED", (char *)0);
        ZeCreateField(d, "COPIES", "TYPE", "INT", "REAL NAME", "PRN_COPIES", "LOW RANGE", "1", "UPPER RANGE", "99",
                      "MAX LENGTH", "2", (char *)0);
        ZeCreateField(d, "LOCATION", "REAL NAME", "PRN_LOCATION", "UPPERCASE", 1, "MAX LENGTH", "40", (char *)0);
        ZeCreateField(d, "DESCRIPTION", "REAL NAME", "PRN_DESC", "MAX LENGTH", "80", (char *)0);
        ZeCreateField(d, "NEW NAME", "PSEUDO", 1, "REAL NAME", "COPY_KEY", (char *)0);
        ZeBuildDescriptorHeader(d);
        return d;
    }

    // Runs the cases and writes one transcript line for each.
    void run(std::initializer_list<Case> cases)
    {
        for (const Case &c : cases) {
            std::string line = step_name(c.step);
            for (const auto &criterion : c.criteria) {
                auto part = criterion.begin();
                line += std::string(" ") + part[0] + " " + part[1] + " \"" + part[2] + "\"";
            }
            transcript_ += line + "\n    -> " + answer(c) + "\n";
        }
    }

    std::string answer(const Case &c)
    {
        unsigned rc = 0;
        switch (c.step) {
        case Step::Select: rc = open_rows(c.criteria); break;
        case Step::Names: rc = act(ZeGetDtsListViaSelect, c.criteria); break;
        case Step::Open: rc = act(ZeOpenDtsItem, c.criteria); break;
        case Step::Define: rc = act(ZeDefineDtsItem, c.criteria); break;
        case Step::Alter: rc = act(ZeAlterDtsItem, c.criteria); break;
        case Step::Delete: rc = act("DELETE", c.criteria); break;
        }
        const auto [code, text] = outcome();
        std::string shown = std::to_string(rc);
        if (rc == ZE_RC_ROUTER_FAILED) shown += "/" + std::to_string(code);
        shown += " \"" + text + "\"";
        if (rc != ZE_OK) return shown;
        if (c.step == Step::Select) return shown + " " + rows_text();
        if (c.step != Step::Delete) return shown + " " + values(item_);
        return shown;
    }

    // Every row of the collection: its values joined with '|', rows with "; ".
    std::string rows_text() const
    {
        std::string text;
        for (Item *i = ZeFirstCollectionItem(rows_); i; i = ZeNextCollectionItem(rows_))
            text += (text.empty() ? "" : "; ") + values(i);
        return text.empty() ? "(none)" : text;
    }

    void note(const std::string &text) { transcript_ += text + "\n"; }

    // Compares the whole transcript with the kept one; the run's own is
    // left beside the node for a look when they differ.
    void compare_transcript()
    {
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        const std::string kept = read_text(std::string(RPDB_TRANSCRIPTS) + "/" + name + ".txt");
        const std::string mine = std::string(ZeEnv(ZE_ENV_TARN_DATA_DIR)) + "/" + name + ".txt";
        std::ofstream(mine) << transcript_;
        EXPECT_FALSE(kept.empty()) << "no kept transcript for " << name;
        std::size_t at = 0;
        while (at < kept.size() && at < transcript_.size() && kept[at] == transcript_[at]) ++at;
        const std::size_t line = kept.rfind('\n', at) == std::string::npos ? 0 : kept.rfind('\n', at) + 1;
        EXPECT_EQ(transcript_, kept) << "first difference in the line: " << transcript_.substr(line, 200)
                                     << "\nthe whole transcript of this run: " << mine;
    }

    std::string transcript_;
};

TEST_F(Typed, CriteriaMeanWhatTheFieldSays)
{
    run({
        // Dates compare as dates, across years and months; leading zeros do not matter.
        {Step::Names, {{"INSTALLED", "GT", "01/01/2020"}}},
        {Step::Names, {{"INSTALLED", "LT", "01/01/2020"}}},
        {Step::Names, {{"INSTALLED", "GE", "03/15/2021"}, {"INSTALLED", "LE", "06/30/2022"}}},
        {Step::Names, {{"INSTALLED", "GT", "09/30/2019"}, {"INSTALLED", "LT", "12/1/2019"}}},
        {Step::Names, {{"INSTALLED", "EQ", "3/15/2021"}}},
        {Step::Names, {{"INSTALLED", "EQ", "03/15/2021"}}},
        {Step::Names, {{"INSTALLED", "NE", "3/15/2021"}}},
        {Step::Open, {{"NAME", "EQ", "LASER2"}}},
        // Numbers compare as numbers beyond one digit.
        {Step::Names, {{"COPIES", "GT", "2"}}},
        {Step::Names, {{"COPIES", "LT", "10"}}},
        {Step::Names, {{"COPIES", "GE", "10"}}},
        // Mapped values, typed in any case, and patterns over the display values.
        {Step::Names, {{"STATUS", "EQ", "offline"}}},
        {Step::Names, {{"STATUS", "EQ", "Off*"}}},
        {Step::Names, {{"STATUS", "EQ", "*e*"}}},
        {Step::Names, {{"STATUS", "NE", "*a*"}}},
        {Step::Names, {{"STATUS", "EQ", "M*"}, {"SHARED", "EQ", "false"}}},
        // Criteria on an upper-case field are folded to capitals.
        {Step::Names, {{"LOCATION", "EQ", "bldg a*"}}},
        {Step::Names, {{"LOCATION", "EQ", "shipping"}}},
        // Values the field cannot hold are refused before anything is sent.
        {Step::Names, {{"COPIES", "EQ", "abc"}}},
        {Step::Names, {{"COPIES", "GT", "100"}}},
        {Step::Names, {{"COPIES", "EQ", "1*"}}},
        {Step::Names, {{"STATUS", "EQ", "Broken"}}},
        {Step::Names, {{"STATUS", "EQ", "X*"}}},
        {Step::Names, {{"INSTALLED", "GT", "yesterday"}}},
        {Step::Names, {{"INSTALLED", "EQ", "02/30/2024"}}},
        {Step::Names, {{"SHARED", "EQ", "maybe"}}},
        {Step::Select, {{"NAME", "EQ", "LASER*"}, {"COPIES", "LE", "1"}}},
        {Step::Delete, {{"INSTALLED", "LT", "13/01/2018"}}},
        // The nodes refuse what a field cannot hold, in one form on both.
        {Step::Define, {{"NAME", "EQ", "P1"}, {"INSTALLED", "EQ", "02/30/2024"}}},
        {Step::Define, {{"NAME", "EQ", "P1"}, {"COPIES", "EQ", "100"}, {"LOCATION", "EQ", "lower"}}},
        {Step::Define, {{"NAME", "EQ", "P1"}, {"LOCATION", "EQ", "lower"}}},
        {Step::Define, {{"NAME", "EQ", "P1"}, {"STATUS", "EQ", "Bogus"}}},
        {Step::Define, {{"NAME", "EQ", "P1"}, {"COPIES", "EQ", "99999999999"}}},
        {Step::Define, {{"NAME", "EQ", "P1"}, {"DESCRIPTION", "EQ", std::string(81, 'd').c_str()}}},
        {Step::Define, {{"NAME", "EQ", std::string(33, 'N').c_str()}}},
        {Step::Delete, {{"NAME", "EQ", "LASER*"}}},
        {Step::Define, {{"NAME", "EQ", "P1"}, {"INSTALLED", "EQ", "2/29/2024"}, {"COPIES", "EQ", "+7"}}},
        {Step::Names, {{"INSTALLED", "GT", "12/31/2023"}}},
    });
    note("stored: " + sql("SELECT PRN_INSTALLED, PRN_COPIES FROM PRINTER WHERE PRN_NAME = 'P1'"));

    // Another date format of the request: the same dates, written its way.
    ZeSetDtsInfoField(info_, ZE_INFO_DATEFORMAT, "dd-mmm-yy");
    run({{Step::Names, {{"INSTALLED", "EQ", "15-mar-21"}}}, {Step::Open, {{"NAME", "EQ", "P1"}}}});
    ZeSetDtsInfoField(info_, ZE_INFO_DATEFORMAT, "dd.mm.yyyy");
    run({{Step::Select, {{"INSTALLED", "LE", "2.11.2019"}}}});
    compare_transcript();
}

TEST_F(Typed, UnicodeQuotesAndBackslashesAreKeptAndFoldedAlike)
{
    run({
        {Step::Define,
         {{"NAME", "EQ", "U1"}, {"LOCATION", "EQ", "BÂTIMENT É"}, {"DESCRIPTION", "EQ", "打印机 für Büro"}}},
        {Step::Define, {{"NAME", "EQ", "U2"}, {"LOCATION", "EQ", "BÂTIMENT é"}}},
        {Step::Define, {{"NAME", "EQ", "U2"}, {"LOCATION", "EQ", "東京 ΑΘΉΝΑ ǅ"}}},
        {Step::Define, {{"NAME", "EQ", "U2"}, {"LOCATION", "EQ", "東京 ΑΘΗΝΑ Ǆ"}}},
        {Step::Define, {{"NAME", "EQ", "U3"}, {"DESCRIPTION", "EQ", "say \"hi\" \\ 'so' 100% _x_"}}},
        {Step::Define, {{"NAME", "EQ", "U4"}, {"DESCRIPTION", "EQ", "broken \xC3\x28 text"}}},
        {Step::Define, {{"NAME", "EQ", "U\xE9"}}},
        {Step::Names, {{"LOCATION", "EQ", "bâtiment*"}}},
        {Step::Names, {{"LOCATION", "EQ", "東京 αθηνα*"}}},
        {Step::Names, {{"DESCRIPTION", "EQ", "*Büro"}}},
        {Step::Names, {{"DESCRIPTION", "EQ", "*büro"}}},
        {Step::Names, {{"DESCRIPTION", "EQ", "打印机*"}}},
        {Step::Names, {{"DESCRIPTION", "EQ", "*\\ 'so' 100% _x_"}}},
        {Step::Names, {{"DESCRIPTION", "EQ", "*100_ *"}}},
        {Step::Names, {{"DESCRIPTION", "GT", "z"}}},
        {Step::Select, {{"NAME", "EQ", "U*"}}},
    });
    note("stored: " + sql("SELECT PRN_NAME, PRN_LOCATION FROM PRINTER WHERE PRN_NAME LIKE 'U%' ORDER BY 1"));
    compare_transcript();
}

TEST_F(Typed, OptionalValuesClearAndRequiredOnesRefuse)
{
    run({
        {Step::Define, {{"NAME", "EQ", "C1"}, {"INSTALLED", "EQ", "05/20/2024"}, {"DESCRIPTION", "EQ", "to clear"}}},
        {Step::Alter, {{"NAME", "EQ", "C1"}, {"DESCRIPTION", "EQ", ""}, {"INSTALLED", "EQ", ""}}},
        {Step::Alter, {{"NAME", "EQ", "C1"}, {"COPIES", "EQ", ""}}},
        {Step::Alter, {{"NAME", "EQ", "C1"}, {"STATUS", "EQ", ""}}},
        {Step::Names, {{"DESCRIPTION", "EQ", ""}}},
        {Step::Names, {{"INSTALLED", "EQ", ""}}},
        {Step::Names, {{"INSTALLED", "NE", ""}}},
        {Step::Names, {{"INSTALLED", "LT", ""}}},
    });
    note("stored: " + sql("SELECT PRN_NAME, PRN_DESC, PRN_INSTALLED, PRN_COPIES FROM PRINTER WHERE PRN_NAME = 'C1'"));
    compare_transcript();
}

// A column of times of day: a TIME column on PostgreSQL, HH:MM:SS[.hh]
// text that the rules table marks on SQLite.
TEST_F(Typed, TimesOfDayCompareAsTimes)
{
    if (postgres()) {
        sql("CREATE TABLE EVENTS (EVT_NAME TEXT PRIMARY KEY, EVT_AT TIME(2))");
    } else {
        sql("CREATE TABLE EVENTS (EVT_NAME TEXT PRIMARY KEY NOT NULL, EVT_AT TEXT, CONSTRAINT EVENTS_AT CHECK "
            "(EVT_AT IS NULL OR (time(EVT_AT) IS substr(EVT_AT, 1, 8) AND (length(EVT_AT) = 8 OR EVT_AT GLOB "
            "'*.[0-9][0-9]')))) STRICT");
        sql("INSERT INTO TARN_RULES VALUES ('EVENTS_AT', 'EVENTS', 'EVT_AT', 'TIME', '{value} is not a time')");
    }
    ZeDestroyDescriptor(desc_);
    ZeCreateDescriptor(&desc_);
    ZeCreateField(desc_, "NAME", "REAL NAME", "EVT_NAME", "KEY", 1, (char *)0);
    ZeCreateField(desc_, "AT", "TYPE", "TIME", "REAL NAME", "EVT_AT", (char *)0);
    ZeBuildDescriptorHeader(desc_);
    ZeSetDtsInfoField(info_, ZE_INFO_OBJECT, "EVENTS");
    run({
        {Step::Define, {{"NAME", "EQ", "E1"}, {"AT", "EQ", "7:5"}}},
        {Step::Define, {{"NAME", "EQ", "E2"}, {"AT", "EQ", "23:59:59.5"}}},
        {Step::Define, {{"NAME", "EQ", "E3"}, {"AT", "EQ", "12:00:30"}}},
        {Step::Define, {{"NAME", "EQ", "E4"}, {"AT", "EQ", "25:00"}}},
        {Step::Names, {{"AT", "GT", "9:00"}}},
        {Step::Names, {{"AT", "EQ", "07:05:00"}}},
        {Step::Names, {{"AT", "LT", "noon"}}},
        {Step::Select, {{"NAME", "EQ", "E*"}}},
    });
    compare_transcript();
}
