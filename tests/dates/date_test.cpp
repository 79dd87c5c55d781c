// Date checks through the library: what the date service accepts and
// refuses, the exact traces, kvscomn loaded and unloaded around each check,
// and the scenarios with a missing or broken service (runs of their own,
// see CMakeLists.txt).
#include "tarn_test.hpp"

#include "contract/date_service.hpp"

namespace {

namespace ds = date_service;

std::string rc_of(std::uint32_t status) { return std::to_string(status); }

class DateTest : public TarnTest {
protected:
    // 02/30/2024 refused with the service's reason, and the check's exact traces.
    void expect_day_refused_with_traces()
    {
        EXPECT_EQ(ZeDateValidate("mm/dd/yyyy", "02/30/2024"), ZE_RC_DATE_INVALID);
        EXPECT_EQ(trace(),
                  (Texts{"ZeDateValidate : begin", "Format (ANSI) = >mm/dd/yyyy<", "Value (ANSI) = >02/30/2024<",
                         "**** ZeDateValidate : invalid date, vrndate rc = " + rc_of(ds::kDateRange) +
                             ", date = >02/30/2024<",
                         "****      KVS-E-BADDAY, day 30 is not in 1 to 29 for month 2 of 2024",
                         "ZeDateValidate : complete, rc = 252"}));
    }

    // Both checks give 250 when the service cannot be opened, tracing `line` and the failed open.
    void expect_service_missing(const std::string &line)
    {
        EXPECT_EQ(ZeDateVerifyFormat("mm/dd/yyyy"), ZE_RC_DATE_SERVICE);
        EXPECT_EQ(ZeDateValidate("mm/dd/yyyy", "01/01/2024"), ZE_RC_DATE_SERVICE);
        EXPECT_EQ(trace(), (Texts{"ZeDateVerifyFormat : begin", line, "**** ZeDate : cannot open vrndate",
                                  "ZeDateValidate : begin", line, "**** ZeDate : cannot open vrndate"}));
    }
};

using DateDefault = DateTest;
using DateFormatFromEnv = DateTest;
using DateCheck = DateTest;
using DateServiceWithoutEntry = DateTest;
using DateServiceMissing = DateTest;
using DateServiceMessages = DateTest;

}  // namespace

TEST_F(DateDefault, IsMonthDayYearWithoutKvrDatefmt) { EXPECT_STREQ(ZeDateDefaultFormat(), "mm/dd/yyyy"); }

// KVR_DATEFMT=dd-mmm-yy
TEST_F(DateFormatFromEnv, ComesFromKvrDatefmtWhenSet)
{
    EXPECT_STREQ(ZeDateDefaultFormat(), "dd-mmm-yy");
    EXPECT_EQ(ZeDateValidate(ZeDateDefaultFormat(), "29-Feb-00"), ZE_OK);
}

TEST_F(DateCheck, FormatsOfTheGrammarAreAcceptedAndOthersRefusedWithAReason)
{
    for (const char *format : {"mm/dd/yyyy", "DD.MM.YYYY", "dd-mmm-yy", "yyyymmdd", "mmm dd, yyyy", "yy//mm//dd"})
        EXPECT_EQ(ZeDateVerifyFormat(format), ZE_OK) << format;
    for (const char *format : {"", "mm/dd", "dd/mm/yyyy/", "/dd/mm/yyyy", "d/m/yyyy", "mmmm dd yyyy", "yyy/mm/dd",
                               "dd/mm/yy/yyyy", "yyyymmddmm", "dd/mm/1999", "dd/mm/////yyyy", "dd\tmm\tyyyy"})
        EXPECT_EQ(ZeDateVerifyFormat(format), ZE_RC_DATE_FORMAT) << format;
    EXPECT_EQ(ZeDateVerifyFormat(nullptr), ZE_RC_DATE_FORMAT);

    clear_trace();
    EXPECT_EQ(ZeDateVerifyFormat("dd/qq/yyyy"), ZE_RC_DATE_FORMAT);
    EXPECT_EQ(trace(), (Texts{"ZeDateVerifyFormat : begin", "Format (ANSI) = >dd/qq/yyyy<",
                              "**** ZeDate : Invalid Date format, rc = " + rc_of(ds::kBadFormat),
                              "****       KVS-E-BADTOKEN, unknown token \"qq\" at position 4 of the format",
                              "ZeDateVerifyFormat : complete, rc = 251"}));
}

TEST_F(DateCheck, DatesFollowTheirFormatMonthLengthsAndLeapYears)
{
    struct Case {
        const char *format, *date;
        unsigned rc;
    };
    const Case cases[] = {
        {"mm/dd/yyyy", "02/29/2024", 0},
        {"mm/dd/yyyy", "02/29/2000", 0},
        {"mm/dd/yyyy", "02/29/1900", 252},
        {"mm/dd/yyyy", "02/29/2023", 252},
        {"mm/dd/yyyy", "04/31/2023", 252},
        {"mm/dd/yyyy", "12/31/9999", 0},
        {"mm/dd/yyyy", "1/5/2024", 0},
        {"mm/dd/yyyy", "13/01/2024", 252},
        {"mm/dd/yyyy", "00/10/2024", 252},
        {"mm/dd/yyyy", "01/00/2024", 252},
        {"mm/dd/yyyy", "01/01/0000", 252},
        {"mm/dd/yyyy", "01-01-2024", 252},
        {"mm/dd/yyyy", " 01/01/2024", 252},
        {"mm/dd/yyyy", "01/01/2024 ", 252},
        {"mm/dd/yyyy", "01/01/24", 252},
        {"mm/dd/yyyy", "001/01/2024", 252},
        {"mm/dd/yyyy", "", 252},
        {"yyyymmdd", "20240229", 0},
        {"yyyymmdd", "2024229", 252},
        {"dd-mmm-yy", "29-feb-00", 0},
        {"dd-mmm-yy", "31-Jun-20", 252},
        {"dd-mmm-yy", "01-Foo-20", 252},
        {"dd-mmm-yy", "01-Ju", 252},
        {"mmm dd, yyyy", "Dec 25, 2023", 0},
        {"mmm dd, yyyy", "Dec 25 2023", 252},
        {"dd/qq/yyyy", "12/31/1999", ZE_RC_DATE_FORMAT},  // a refused format: the service's own format checks the date
        {"dd/qq/yyyy", "31/12/1999", 252},
    };
    for (const Case &c : cases) EXPECT_EQ(ZeDateValidate(c.format, c.date), c.rc) << c.format << " " << c.date;
    EXPECT_EQ(ZeDateValidate("mm/dd/yyyy", nullptr), ZE_RC_DATE_INVALID);
}

TEST_F(DateCheck, ARefusedDateIsTracedWithTheReasonAndTheServiceUnloaded)
{
    expect_day_refused_with_traces();
    EXPECT_FALSE(module_loaded(KVSCOMN_PATH));
    EXPECT_EQ(ZeDateValidate("mm/dd/yyyy", "13/01/2024"), ZE_RC_DATE_INVALID);
    EXPECT_TRUE(traced("****      KVS-E-BADMONTH, month 13 is not in 1 to 12")) << trace_text();
}

TEST_F(DateCheck, TextsLongerThanTheirPlacesAreRefusedBeforeTheService)
{
    const std::string format31 = "dd/mm/yyyy" + std::string(21, ' ');
    EXPECT_EQ(ZeDateVerifyFormat(format31.c_str()), ZE_RC_DATE_FORMAT);
    EXPECT_EQ(count_traced("**** ZeDate : Invalid Date format, rc = "), 1u);  // the service saw it

    clear_trace();
    const std::string format32 = format31 + " ";
    EXPECT_EQ(ZeDateValidate(format32.c_str(), "12/31/1999"), ZE_RC_DATE_FORMAT);
    EXPECT_TRUE(traced("**** ZeDate : Invalid Date format, longer than 31 characters"));
    EXPECT_EQ(count_traced("**** ZeDate : Invalid Date format, rc = "), 0u);

    const std::string date127 = "01/01/2024" + std::string(117, ' ');
    EXPECT_EQ(ZeDateValidate("mm/dd/yyyy", date127.c_str()), ZE_RC_DATE_INVALID);
    EXPECT_EQ(count_traced("**** ZeDateValidate : invalid date, vrndate rc = "), 1u);

    clear_trace();
    const std::string date600 = "01/01/2024" + std::string(590, '9');
    EXPECT_EQ(ZeDateValidate("mm/dd/yyyy", date600.c_str()), ZE_RC_DATE_INVALID);
    EXPECT_TRUE(traced("**** ZeDateValidate : invalid date, longer than 127 characters, date = >" + date600 + "<"));
    EXPECT_EQ(count_traced("**** ZeDateValidate : invalid date, vrndate rc = "), 0u);
}

TEST_F(DateCheck, WithoutAHandleTheServiceRefusesToOpenAndStaysLoadedForTheNextCheck)
{
    TarnSetAllocFailure(0, 1);
    EXPECT_EQ(ZeDateVerifyFormat("mm/dd/yyyy"), ZE_RC_DATE_SERVICE);
    TarnSetAllocFailure(-1, 0);
    EXPECT_EQ(trace(), (Texts{"ZeDateVerifyFormat : begin", "**** ZeDate : Error allocating handle.",
                              "**** ZeDate Error : KVS-E-NOHANDLE, no date service handle"}));
    EXPECT_TRUE(module_loaded(KVSCOMN_PATH));
    EXPECT_EQ(ZeDateVerifyFormat("mm/dd/yyyy"), ZE_OK);
    EXPECT_FALSE(module_loaded(KVSCOMN_PATH));
}

TEST_F(DateCheck, AHeldServiceStaysLoadedWithTheSameAnswersAndIsUnloadedAtTheLastRelease)
{
    EXPECT_EQ(ZeDateReleaseService(), ZE_RC_NO_ENTRY);  // nothing held
    ASSERT_EQ(ZeDateHoldService(), ZE_OK);
    ASSERT_EQ(ZeDateHoldService(), ZE_OK);
    EXPECT_FALSE(module_loaded(KVSCOMN_PATH));  // a hold loads nothing itself
    EXPECT_EQ(ZeDateValidate("dd.mm.yyyy", "31.12.1999"), ZE_OK);
    EXPECT_TRUE(module_loaded(KVSCOMN_PATH));
    // Each check starts afresh: a refused format falls back to the default, not to the last one set.
    EXPECT_EQ(ZeDateValidate("dd/qq/yyyy", "31.12.1999"), ZE_RC_DATE_INVALID);
    EXPECT_EQ(ZeDateValidate("dd/qq/yyyy", "12/31/1999"), ZE_RC_DATE_FORMAT);
    // Each check has its own format, whatever the one before it took.
    EXPECT_EQ(ZeDateVerifyFormat("yyyymmdd"), ZE_OK);
    EXPECT_EQ(ZeDateValidate("dd.mm.yyyy", "19991231"), ZE_RC_DATE_INVALID);
    EXPECT_EQ(ZeDateValidate("yyyymmdd", "19991231"), ZE_OK);
    EXPECT_EQ(ZeDateValidate("mm/dd/yyyy", "12/31/1999"), ZE_OK);
    clear_trace();
    expect_day_refused_with_traces();
    EXPECT_EQ(ZeDateReleaseService(), ZE_OK);
    EXPECT_TRUE(module_loaded(KVSCOMN_PATH));  // one hold is left
    EXPECT_EQ(ZeDateReleaseService(), ZE_OK);
    EXPECT_FALSE(module_loaded(KVSCOMN_PATH));
    EXPECT_EQ(ZeDateReleaseService(), ZE_RC_NO_ENTRY);
    EXPECT_EQ(ZeDateValidate("mm/dd/yyyy", "02/28/2024"), ZE_OK);
    EXPECT_FALSE(module_loaded(KVSCOMN_PATH));
}

// TARN_MODULE_PATH holds a kvscomn without vrndate.
TEST_F(DateServiceWithoutEntry, BothChecksGive250AndTraceTheMissingEntry)
{
    expect_service_missing("*** ZeDate : Unable to locate vrndate in kvscomn");
}

// No kvscomn anywhere on the module search path.
TEST_F(DateServiceMissing, BothChecksGive250AndTraceTheMissingLibrary)
{
    expect_service_missing("*** ZeDate : Unable to load the Dll kvscomn for vrndate");
}

// A kvscomn that fills the whole message area: its first open after a load
// fails, and it refuses every format and date.
TEST_F(DateServiceMessages, MessagesAreCutAtTheEndOfTheStatusBlock)
{
    EXPECT_EQ(ZeDateValidate("mm/dd/yyyy", "01/01/2024"), ZE_RC_DATE_SERVICE);
    EXPECT_TRUE(traced("**** ZeDate Error : " + std::string(79, 'O'))) << trace_text();
    EXPECT_TRUE(module_loaded(UNTERMINATED_KVSCOMN_PATH));

    EXPECT_EQ(ZeDateValidate("mm/dd/yyyy", "01/01/2024"), ZE_RC_DATE_INVALID);  // same load: opens now
    EXPECT_TRUE(traced("****       " + std::string(79, 'F'))) << trace_text();
    EXPECT_TRUE(traced("****      " + std::string(79, 'D'))) << trace_text();
    EXPECT_FALSE(module_loaded(UNTERMINATED_KVSCOMN_PATH));
}
