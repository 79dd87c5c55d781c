// Value validation by field type: codes and the trace lines that explain them.
#include "describe_test.hpp"

namespace {

class ValidateTest : public TarnTest {
protected:
    void SetUp() override
    {
        TarnTest::SetUp();
        ASSERT_EQ(ZeCreateDescriptor(&d), 0u);
        const char *openClosed[] = {"Open", "Closed", nullptr};
        ZeCreateField(d, "TEXT", "TYPE", "TEXT", "MAX LENGTH", "5", static_cast<char *>(nullptr));
        ZeCreateField(d, "NOMAX", "TYPE", "TEXT", static_cast<char *>(nullptr));
        ZeCreateField(d, "STATE", "MAX LENGTH", "10", "VALID VALUES", openClosed, -1, static_cast<char *>(nullptr));
        ZeCreateField(d, "UPPER", "MAX LENGTH", "10", "MIN LENGTH", "2", "UPPERCASE", 1, static_cast<char *>(nullptr));
        ZeCreateField(d, "LOWER", "MAX LENGTH", "10", "LOWERCASE", 1, static_cast<char *>(nullptr));
        ZeCreateField(d, "INT", "TYPE", "INT", "MAX LENGTH", "5", "LOW RANGE", "1", "UPPER RANGE", "10",
                      static_cast<char *>(nullptr));
        ZeCreateField(d, "COUNT", "TYPE", "TIME_T", "MAX LENGTH", "20", static_cast<char *>(nullptr));
        ZeCreateField(d, "ODDRANGE", "TYPE", "INT", "MAX LENGTH", "5", "LOW RANGE", "abc", "UPPER RANGE", "x9",
                      static_cast<char *>(nullptr));
        ZeCreateField(d, "REAL", "TYPE", "REAL", "MAX LENGTH", "5", "LOW RANGE", "0.5", "UPPER RANGE", "1.5",
                      static_cast<char *>(nullptr));
        ZeCreateField(d, "TIME", "TYPE", "TIME", static_cast<char *>(nullptr));
        ZeCreateField(d, "BOOL", "TYPE", "BOOL", static_cast<char *>(nullptr));
        ZeCreateField(d, "AST", "TYPE", "ASTORNUM", "MAX LENGTH", "5", static_cast<char *>(nullptr));
        ZeCreateField(d, "CHAR", "TYPE", "CHAR", "MAX LENGTH", "3", "VALID VALUES", openClosed, 1,
                      static_cast<char *>(nullptr));
        ZeCreateField(d, "DATE", "TYPE", "DATE", static_cast<char *>(nullptr));
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

    // The lines a check traced between its Begin and Complete lines, then "rc <code>".
    std::vector<std::string> explained(const char *field, const char *value)
    {
        clear_trace();
        unsigned rc = validate(field, value);
        std::vector<std::string> lines = trace();
        if (!lines.empty()) lines.erase(lines.begin());
        if (!lines.empty() && lines.back().rfind("ZeValidateValue : Complete", 0) == 0) lines.pop_back();
        lines.push_back("rc " + std::to_string(rc));
        return lines;
    }

    Descriptor *d = nullptr;
};

using Lines = std::vector<std::string>;

}  // namespace

TEST_F(ValidateTest, EmptyValueIsAcceptedBeforeAnyLookup)
{
    EXPECT_EQ(validate("NO SUCH FIELD", ""), 0u);
    EXPECT_EQ(trace(), (Lines{"ZeValidateValue : Begin.  Field = >NO SUCH FIELD<, Value = ><",
                              "ZeValidateField : NULL value accepted, rc = 0"}));
    EXPECT_EQ(validate("INT", ""), 0u);

    clear_trace();
    EXPECT_EQ(validate("text", "abc"), 7u);  // field names are case-sensitive
    EXPECT_EQ(trace(), (Lines{"ZeValidateValue : Begin.  Field = >text<, Value = >abc<",
                              "**** ZeValidateField : Error, field (text) not found in descriptor"}));

    clear_trace();
    EXPECT_EQ(ZeValidateValue(d, nullptr, "", "x"), 4u);
    EXPECT_EQ(ZeValidateValue(d, nullptr, "TEXT", nullptr), 4u);
    EXPECT_EQ(ZeValidateValue(nullptr, nullptr, "TEXT", "x"), 4u);
    EXPECT_EQ(trace(), (Lines{"*** ZeValidateValue: parameter 2 (Field) is invalid",
                              "*** ZeValidateValue: parameter 3 (Value) is invalid",
                              "*** ZeValidateValue: parameter 1 (Descriptor) is invalid"}));
}

TEST_F(ValidateTest, TextLengthsCaseAndValidValues)
{
    clear_trace();
    EXPECT_EQ(validate("TEXT", "  abcde  "), 0u);  // blanks around do not count
    EXPECT_EQ(trace(), (Lines{"ZeValidateValue : Begin.  Field = >TEXT<, Value = >  abcde  <",
                              "    Field (TEXT) is type TEXT", "ZeValidateValue : Complete, rc = 0"}));
    EXPECT_EQ(validate("TEXT", "abcdef"), 301u);
    EXPECT_EQ(explained("TEXT", "ab cdef"),
              (Lines{"    Field (TEXT) is type TEXT", "**** Field (TEXT) MAX length = 5, value length = 7", "rc 301"}));
    EXPECT_EQ(explained("NOMAX", "a"),
              (Lines{"    Field (NOMAX) is type TEXT", "**** Field (NOMAX) MAX length = 0, value length = 1", "rc 301"}));

    EXPECT_EQ(validate("UPPER", "AB12"), 0u);
    EXPECT_EQ(validate("UPPER", "12"), 0u);
    EXPECT_EQ(explained("UPPER", "ABc"),
              (Lines{"    Field (UPPER) is type TEXT", "**** Data must be uppercase, Value = >ABc<", "rc 303"}));
    EXPECT_EQ(explained("UPPER", "A"),
              (Lines{"    Field (UPPER) is type TEXT", "**** Field (UPPER) MIN length = 2, value length = 1", "rc 300"}));
    EXPECT_EQ(validate("LOWER", "abc"), 0u);
    EXPECT_EQ(validate("LOWER", "aBc"), 304u);

    EXPECT_EQ(validate("STATE", "open"), 0u);
    EXPECT_EQ(explained("STATE", "Opened"),
              (Lines{"    Field (STATE) is type TEXT", "**** Value >Opened< not valid for this field", "rc 302"}));
}

TEST_F(ValidateTest, IntegersNeedDigitsWithinLengthAndRange)
{
    EXPECT_EQ(validate("INT", "10"), 0u);
    EXPECT_EQ(validate("INT", " 7 "), 0u);
    EXPECT_EQ(explained("INT", "11"),
              (Lines{"   Field (INT) type is INTEGER", "**** Value = 11, not in range of 1 to 10", "rc 310"}));
    EXPECT_EQ(explained("INT", "-5"),
              (Lines{"   Field (INT) type is INTEGER", "****  Value = >-5< integer conversion failed", "rc 310"}));
    for (const char *bad : {"-5", "+5", "1 2", "1.0", "x"}) EXPECT_EQ(validate("INT", bad), 310u) << bad;
    EXPECT_EQ(validate("INT", "0"), 310u);      // a zero text skips the digit test, not the range
    EXPECT_EQ(validate("INT", "123456"), 301u);  // the length comes first
    EXPECT_EQ(validate("COUNT", "0"), 0u);      // no range: zero passes
    EXPECT_EQ(validate("COUNT", "000"), 0u);

    // Numbers beyond 32 bits are clamped, never wrapped to a small value.
    EXPECT_EQ(validate("COUNT", "99999999999999999999"), 0u);
    EXPECT_EQ(validate("INT", "4294967297"), 301u);
    ZeCreateField(d, "WIDE", "TYPE", "INT", "MAX LENGTH", "12", "LOW RANGE", "1", "UPPER RANGE", "10",
                  static_cast<char *>(nullptr));
    EXPECT_EQ(validate("WIDE", "4294967297"), 310u);

    // Range bounds that are not numbers count as 0: only zero texts fit 0..0.
    EXPECT_EQ(validate("ODDRANGE", "0"), 0u);
    EXPECT_EQ(validate("ODDRANGE", "1"), 310u);
}

TEST_F(ValidateTest, RealsConvertAndStayInRange)
{
    EXPECT_EQ(validate("REAL", "1.5"), 0u);
    EXPECT_EQ(validate("REAL", "0.5"), 0u);
    EXPECT_EQ(explained("REAL", "2"),
              (Lines{"    Field (REAL) type is REAL", "**** Value = 2, not in range of 0.5 to 1.5", "rc 310"}));
    EXPECT_EQ(explained("REAL", "a"),
              (Lines{"    Field (REAL) type is REAL", "****    Value = >a< conversion failed", "rc 311"}));
    EXPECT_EQ(validate("REAL", "0.0"), 310u);
    EXPECT_EQ(validate("REAL", "1.0000"), 301u);
}

TEST_F(ValidateTest, TimesOfDay)
{
    for (const char *good : {"23:59", "23:59:59.99", "7:5", "00:00:00", " 12:30 "})
        EXPECT_EQ(validate("TIME", good), 0u) << good;
    EXPECT_EQ(validate("TIME", "-1:00"), 306u);
    EXPECT_EQ(validate("TIME", "12:60"), 307u);
    EXPECT_EQ(validate("TIME", "12:30:61"), 308u);
    EXPECT_EQ(validate("TIME", "12:30:30.100"), 308u);
    EXPECT_EQ(validate("TIME", "12:30:30.x"), 308u);
    for (const char *short_ : {"12", "   ", "12:", ":30"}) EXPECT_EQ(validate("TIME", short_), 305u) << short_;

    EXPECT_EQ(explained("TIME", "12"), (Lines{"    Field (TIME) is type TIME", "**** Invalid format : time = >12<",
                                              "**** Must be at least hh:mm", "rc 305"}));
    EXPECT_EQ(explained("TIME", "24:00"), (Lines{"    Field (TIME) is type TIME",
                                                 "**** Error : Invalid hour specification.  Hour = >24<", "rc 306"}));
    EXPECT_EQ(explained("TIME", "1:6x"), (Lines{"    Field (TIME) is type TIME",
                                                "**** Error : Invalid minute specification.  Minute = >6x<", "rc 307"}));
    EXPECT_EQ(explained("TIME", "1:06:99"), (Lines{"    Field (TIME) is type TIME",
                                                   "**** Error : Invalid second specification.  Seconds = >99<", "rc 308"}));
    EXPECT_EQ(explained("TIME", "1:06:09.123"),
              (Lines{"    Field (TIME) is type TIME",
                     "**** Error : Invalid hundredths of seconds specification, spec = >123<", "rc 308"}));
}

TEST_F(ValidateTest, BooleansAsteriskAndUnknownTypes)
{
    EXPECT_EQ(validate("BOOL", "false"), 0u);
    EXPECT_EQ(validate("BOOL", "TRUE"), 0u);
    EXPECT_EQ(explained("BOOL", "Y"), (Lines{"    Field (BOOL), type is BOOLEAN", "**** Value must be 'TRUE' or 'FALSE'", "rc 312"}));

    EXPECT_EQ(validate("AST", "*"), 0u);
    EXPECT_EQ(validate("AST", "12"), 0u);
    EXPECT_EQ(explained("AST", "a"), (Lines{"    Field (AST), type is ASTORNUM", "   Field (AST) type is INTEGER",
                                            "****  Value = >a< integer conversion failed", "rc 310"}));

    EXPECT_EQ(explained("CHAR", "Open"),
              (Lines{"**** ZeValidateValue : Warning, no validation function for type CHAR",
                     "****                   Calling the general validation function",
                     "    Field (CHAR) is of unknown type", "**** Field (CHAR) MAX length = 3, value length = 4", "rc 301"}));
    EXPECT_EQ(validate("CHAR", "Opn"), 302u);  // the list was cut to its first entry
    EXPECT_EQ(explained("UNTYPED", "abc"),
              (Lines{"**** ZeValidateValue : Warning, no TYPE property for field UNTYPED",
                     "****                   Calling the general validation function",
                     "    Field (UNTYPED) is of unknown type", "rc 0"}));
    EXPECT_EQ(validate("UNTYPED", "abcde"), 301u);
}

TEST_F(ValidateTest, DatesGoToTheDateServiceWithTheFormat)
{
    clear_trace();
    EXPECT_EQ(ZeValidateValue(d, "", "DATE", "01/02/2020"), 4u);
    EXPECT_TRUE(traced("    Field (DATE) is type DATE"));
    EXPECT_TRUE(traced("*** validate_date_field: parameter 1 (Format) is invalid"));
    EXPECT_EQ(ZeValidateValue(d, nullptr, "DATE", "01/02/2020"), 4u);
    EXPECT_TRUE(traced("ZeValidateValue : Complete, rc = 4"));

    EXPECT_EQ(ZeValidateValue(d, "mm/dd/yyyy", "DATE", " 02/29/2020 "), 0u);
    EXPECT_EQ(ZeValidateValue(d, "dd.mm.yyyy", "date", "29.02.2020"), 7u);
    EXPECT_EQ(ZeValidateValue(d, "dd.mm.yyyy", "DATE", "29.02.2020"), 0u);
    EXPECT_EQ(ZeValidateValue(d, "mm/dd/yyyy", "DATE", "02/29/2021"), 252u);
    // Length limits do not apply to dates: the field has MAX LENGTH 11.
    EXPECT_EQ(ZeValidateValue(d, "mmm dd, yyyy", "DATE", "Feb 28, 2021"), 0u);
}

TEST_F(ValidateTest, MemoryShortForTheCopyGivesThree)
{
    TarnSetAllocFailure(0, 1);
    EXPECT_EQ(validate("TEXT", "abc"), 3u);
    TarnSetAllocFailure(-1, 0);
    EXPECT_TRUE(traced("ZeValidateValue : Complete, rc = 3"));
}
