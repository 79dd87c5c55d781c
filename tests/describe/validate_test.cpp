// Value validation by field type: codes and the trace lines that explain them.
#include "describe_test.hpp"

namespace {

struct Check {
    const char *field, *value;
    unsigned rc;
    Texts lines;  // traced between the Begin and Complete lines; not compared when empty
};

class ValidateTest : public TarnTest {
protected:
    void SetUp() override
    {
        TarnTest::SetUp();
        ASSERT_EQ(ZeCreateDescriptor(&d), 0u);
        const char *openClosed[] = {"Open", "Closed", nullptr};
        const auto end = static_cast<char *>(nullptr);
        ZeCreateField(d, "TEXT", "TYPE", "TEXT", "MAX LENGTH", "5", end);
        ZeCreateField(d, "NOMAX", "TYPE", "TEXT", end);
        ZeCreateField(d, "STATE", "MAX LENGTH", "10", "VALID VALUES", openClosed, -1, end);
        ZeCreateField(d, "UPPER", "MAX LENGTH", "10", "MIN LENGTH", "2", "UPPERCASE", 1, end);
        ZeCreateField(d, "LOWER", "MAX LENGTH", "10", "LOWERCASE", 1, end);
        ZeCreateField(d, "INT", "TYPE", "INT", "MAX LENGTH", "5", "LOW RANGE", "1", "UPPER RANGE", "10", end);
        ZeCreateField(d, "WIDE", "TYPE", "INT", "MAX LENGTH", "12", "LOW RANGE", "1", "UPPER RANGE", "10", end);
        ZeCreateField(d, "COUNT", "TYPE", "TIME_T", "MAX LENGTH", "20", end);
        ZeCreateField(d, "ODDRANGE", "TYPE", "INT", "MAX LENGTH", "5", "LOW RANGE", "abc", "UPPER RANGE", "x9", end);
        ZeCreateField(d, "REAL", "TYPE", "REAL", "MAX LENGTH", "5", "LOW RANGE", "0.5", "UPPER RANGE", "1.5", end);
        ZeCreateField(d, "TIME", "TYPE", "TIME", end);
        ZeCreateField(d, "BOOL", "TYPE", "BOOL", end);
        ZeCreateField(d, "AST", "TYPE", "ASTORNUM", "MAX LENGTH", "5", end);
        ZeCreateField(d, "CHAR", "TYPE", "CHAR", "MAX LENGTH", "3", "VALID VALUES", openClosed, 1, end);
        ZeCreateField(d, "DATE", "TYPE", "DATE", end);
        Field *untyped = nullptr;
        ZeNewField(d, &untyped);
        ZeSetFieldAttribute(untyped, "NAME", "UNTYPED");
        ZeSetFieldAttribute(untyped, "MAX LENGTH", "4");
        clear_trace();
    }

    void TearDown() override
    {
        ZeDestroyDescriptor(d);
        TarnTest::TearDown();
    }

    unsigned validate(const char *field, const char *value) { return ZeValidateValue(d, "mm/dd/yyyy", field, value); }

    void check(std::initializer_list<Check> checks)
    {
        for (const Check &c : checks) {
            SCOPED_TRACE(std::string(c.field) + " >" + c.value + "<");
            clear_trace();
            EXPECT_EQ(validate(c.field, c.value), c.rc);
            if (c.lines.empty()) continue;
            Texts lines = trace();
            ASSERT_GE(lines.size(), 2u);
            EXPECT_EQ(lines.back(), "ZeValidateValue : Complete, rc = " + std::to_string(c.rc));
            EXPECT_EQ(Texts(lines.begin() + 1, lines.end() - 1), c.lines);
        }
    }

    Descriptor *d = nullptr;
};

}  // namespace

TEST_F(ValidateTest, TextsCheckLengthCaseAndValidValues)
{
    const std::string text = "    Field (TEXT) is type TEXT", upper = "    Field (UPPER) is type TEXT";
    check({
        {"TEXT", "  abcde  ", 0, {text}},  // blanks around do not count
        {"TEXT", "ab cdef", 301, {text, "**** Field (TEXT) MAX length = 5, value length = 7"}},
        {"NOMAX", "a", 301, {"    Field (NOMAX) is type TEXT", "**** Field (NOMAX) MAX length = 0, value length = 1"}},
        {"UPPER", "AB12", 0, {}},
        {"UPPER", "12", 0, {}},
        {"LOWER", "abc", 0, {}},
        {"STATE", "open", 0, {}},
        {"UPPER", "ABc", 303, {upper, "**** Data must be uppercase, Value = >ABc<"}},
        {"UPPER", "A", 300, {upper, "**** Field (UPPER) MIN length = 2, value length = 1"}},
        {"LOWER", "aBc", 304, {"    Field (LOWER) is type TEXT", "**** Data must be lowercase, Value = >aBc<"}},
        {"STATE", "Opened", 302, {"    Field (STATE) is type TEXT", "**** Value >Opened< not valid for this field"}},
        // Types without a procedure of their own get the general checks.
        {"CHAR",
         "Open",
         301,
         {"**** ZeValidateValue : Warning, no validation function for type CHAR",
          "****                   Calling the general validation function", "    Field (CHAR) is of unknown type",
          "**** Field (CHAR) MAX length = 3, value length = 4"}},
        {"CHAR", "Opn", 302, {}},
        {"UNTYPED", "abcde", 301, {}},  // the list was cut to its first entry
        {"UNTYPED",
         "abc",
         0,
         {"**** ZeValidateValue : Warning, no TYPE property for field UNTYPED",
          "****                   Calling the general validation function", "    Field (UNTYPED) is of unknown type"}},
    });
}

TEST_F(ValidateTest, NumbersNeedDigitsWithinLengthAndRange)
{
    const std::string integer = "   Field (INT) type is INTEGER", real = "    Field (REAL) type is REAL";
    check({
        {"INT", "10", 0, {}},
        {"INT", " 7 ", 0, {}},
        {"COUNT", "000", 0, {}},
        {"INT", "11", 310, {integer, "**** Value = 11, not in range of 1 to 10"}},
        {"INT", "-5", 310, {integer, "****  Value = >-5< integer conversion failed"}},
        {"INT", "+5", 310, {}},
        {"INT", "1 2", 310, {}},
        {"INT", "1.0", 310, {}},
        {"INT", "0", 310, {}},                                    // a zero text skips the digit test, not the range
        {"INT", "123456", 301, {}},                               // the length comes first
        {"COUNT", "0", 0, {"   Field (COUNT) type is INTEGER"}},  // TIME_T; no range: zero passes
        // Numbers beyond 32 bits are clamped, never wrapped to a small value.
        {"COUNT", "99999999999999999999", 0, {}},
        {"INT", "4294967297", 301, {}},
        {"WIDE", "4294967297", 310, {}},
        // Range bounds that are not numbers count as 0: only zero texts fit 0..0.
        {"ODDRANGE", "0", 0, {}},
        {"ODDRANGE", "1", 310, {}},
        {"REAL", "1.5", 0, {}},
        {"REAL", "0.5", 0, {}},
        {"REAL", "0.0", 310, {}},
        {"REAL", "1.0000", 301, {}},
        {"REAL", "2", 310, {real, "**** Value = 2, not in range of 0.5 to 1.5"}},
        {"REAL", "a", 311, {real, "****    Value = >a< conversion failed"}},
        {"AST", "*", 0, {"    Field (AST), type is ASTORNUM"}},
        {"AST", "12", 0, {}},
        {"AST",
         "a",
         310,
         {"    Field (AST), type is ASTORNUM", "   Field (AST) type is INTEGER",
          "****  Value = >a< integer conversion failed"}},
        {"BOOL", "false", 0, {}},
        {"BOOL", "TRUE", 0, {}},
        {"BOOL", "Y", 312, {"    Field (BOOL), type is BOOLEAN", "**** Value must be 'TRUE' or 'FALSE'"}},
    });
}

TEST_F(ValidateTest, TimesOfDay)
{
    const std::string time = "    Field (TIME) is type TIME";
    check({
        {"TIME", "23:59", 0, {time}},
        {"TIME", "23:59:59.99", 0, {}},
        {"TIME", "7:5", 0, {}},
        {"TIME", "00:00:00", 0, {}},
        {"TIME", " 12:30 ", 0, {}},
        {"TIME", "12", 305, {time, "**** Invalid format : time = >12<", "**** Must be at least hh:mm"}},
        {"TIME", "   ", 305, {}},
        {"TIME", "12:", 305, {}},
        {"TIME", ":30", 305, {}},
        {"TIME", "24:00", 306, {time, "**** Error : Invalid hour specification.  Hour = >24<"}},
        {"TIME", "1:6x", 307, {time, "**** Error : Invalid minute specification.  Minute = >6x<"}},
        {"TIME", "1:06:99", 308, {time, "**** Error : Invalid second specification.  Seconds = >99<"}},
        {"TIME", "1:06:09.123", 308, {time, "**** Error : Invalid hundredths of seconds specification, spec = >123<"}},
        {"TIME", "-1:00", 306, {}},
        {"TIME", "12:60", 307, {}},
        {"TIME", "12:30:61", 308, {}},
        {"TIME", "12:30:30.x", 308, {}},
    });
}

TEST_F(ValidateTest, DatesGoToTheDateServiceWithTheFormat)
{
    EXPECT_EQ(ZeValidateValue(d, "", "DATE", "01/02/2020"), 4u);  // dates need a format
    EXPECT_EQ(ZeValidateValue(d, "mm/dd/yyyy", "DATE", " 02/29/2020 "), 0u);
    EXPECT_EQ(ZeValidateValue(d, "dd.mm.yyyy", "date", "29.02.2020"), 7u);
    EXPECT_EQ(ZeValidateValue(d, "dd.mm.yyyy", "DATE", "29.02.2020"), 0u);
    EXPECT_EQ(ZeValidateValue(d, "mm/dd/yyyy", "DATE", "02/29/2021"), 252u);
    // Length limits do not apply to dates: the field has MAX LENGTH 11.
    EXPECT_EQ(ZeValidateValue(d, "mmm dd, yyyy", "DATE", "Feb 28, 2021"), 0u);

    // Memory short for the trimmed copy.
    TarnSetAllocFailure(0, 1);
    EXPECT_EQ(validate("TEXT", "abc"), 3u);
    TarnSetAllocFailure(-1, 0);
    EXPECT_TRUE(traced("ZeValidateValue : Complete, rc = 3"));
}

// A PASSWORD field's value is masked in every line, the first one included,
// whether it is accepted or refused.
TEST_F(ValidateTest, APasswordFieldsValueNeverReachesTheTrace)
{
    const char *allowed[] = {"s3cr3t", nullptr};
    const auto end = static_cast<char *>(nullptr);
    ZeCreateField(d, "SECRET", "MAX LENGTH", "8", "PASSWORD", 1, "VALID VALUES", allowed, -1, end);
    ZeCreateField(d, "PIN", "TYPE", "INT", "MAX LENGTH", "4", "LOW RANGE", "1", "UPPER RANGE", "99", "PASSWORD", 1,
                  end);
    clear_trace();
    EXPECT_EQ(validate("SECRET", "s3cr3t"), 0u);
    EXPECT_EQ(validate("SECRET", "Hunter2x"), 302u);
    EXPECT_EQ(validate("PIN", "4711"), 310u);
    EXPECT_TRUE(traced("ZeValidateValue : Begin.  Field = >SECRET<, Value = >********<")) << trace_text();
    EXPECT_TRUE(traced("**** Value >********< not valid for this field"));
    for (const std::string &line : trace())
        for (const char *secret : {"s3cr3t", "Hunter2x", "4711"})
            EXPECT_EQ(line.find(secret), std::string::npos) << line;
}
