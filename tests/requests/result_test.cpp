// Results and messages: texts, codes, argument-list queries and traces.
#include "tarn_test.hpp"
#include "ZeDts.h"

#include <cstdarg>

namespace {

class ResultTest : public TarnTest {
protected:
    void SetUp() override
    {
        TarnTest::SetUp();
        ASSERT_EQ(ZeCreateDtsResult(&result), 0u);
        ASSERT_EQ(ZeCreateDtsMsg(&msg), 0u);
    }
    void TearDown() override
    {
        EXPECT_EQ(ZeDestroyDtsMsg(msg), 0u);
        EXPECT_EQ(ZeDestroyDtsResult(result), 0u);
        TarnTest::TearDown();
    }
    // The result's code and message, joined with '|'.
    std::string fields() const
    {
        unsigned int code = 99;
        const char *text = nullptr;
        EXPECT_EQ(ZeGetDtsResultFields(result, &code, &text), 0u);
        return std::to_string(code) + "|" + (text ? text : "<null>");
    }

    DtsResult *result = nullptr;
    DtsMessage *msg = nullptr;
};

// Calls an argument-list query with the arguments (out, 77) and checks that
// it took exactly its one argument, leaving 77 next.
template <class Object> unsigned int query(unsigned int (*fn)(Object *, va_list *), Object *object, ...)
{
    va_list args;
    va_start(args, object);
    unsigned int rc = fn(object, &args);
    EXPECT_EQ(va_arg(args, int), 77);
    va_end(args);
    return rc;
}

std::string text_of(DtsMessage *msg)
{
    const char *text = nullptr;
    EXPECT_EQ(ZeGetDtsMsgBuffer(msg, &text), 0u);
    return text ? text : "<null>";
}

}  // namespace

TEST_F(ResultTest, MessageHoldsItsOwnCopyOfOneText)
{
    DtsMessage *copy = nullptr;
    ASSERT_EQ(ZeCreateDtsMsg(&copy), 0u);
    ZeDumpDtsMsg(msg, nullptr);
    EXPECT_EQ(ZeSetDtsMsgBuffer(msg, "node down"), 0u);
    ZeDumpDtsMsg(msg, "   ");
    const char *before = nullptr;
    ZeGetDtsMsgBuffer(msg, &before);
    EXPECT_EQ(ZeSetDtsMsgBuffer(msg, before), 0u);   // its own text
    EXPECT_EQ(ZeSetDtsMsgBuffer(msg, nullptr), 4u);  // refused: the text stays
    EXPECT_EQ(text_of(msg), "node down");
    EXPECT_EQ(trace(), (Texts{"Message Length: 0 Message Buffer: ", "   Message Length: 9 Message Buffer: node down",
                              "*** ZeSetDtsMsgBuffer: parameter 2 (Buffer) is invalid"}));

    EXPECT_EQ(ZeDuplicateDtsMsg(copy, msg), 0u);
    const char *a = nullptr, *b = nullptr;
    ZeGetDtsMsgBuffer(msg, &a);
    ZeGetDtsMsgBuffer(copy, &b);
    EXPECT_NE(a, b);
    EXPECT_EQ(ZeSetDtsMsgBuffer(msg, ""), 0u);
    const char *queried = nullptr;
    EXPECT_EQ(query(ZeQueryDtsMsgBuffer, copy, &queried, 77), 0u);
    EXPECT_STREQ(queried, "node down");
    EXPECT_EQ(ZeDestroyDtsMsg(copy), 0u);
}

TEST_F(ResultTest, ResultCarriesCodeAndItsOwnCopyOfTheText)
{
    EXPECT_EQ(fields(), "0|");
    EXPECT_EQ(ZeSetDtsResultFields(result, 7, "denied"), 0u);
    EXPECT_EQ(ZeSetDtsResultFields(result, 5, nullptr), 0u);
    EXPECT_EQ(fields(), "5|");

    // The result keeps its own copy of a message's text.
    DtsMessage *answer = nullptr;
    ASSERT_EQ(ZeCreateDtsMsg(&answer), 0u);
    ZeSetDtsMsgBuffer(answer, "3 rows");
    EXPECT_EQ(ZeSetDtsResultMessage(result, answer), 0u);
    EXPECT_EQ(ZeSetDtsResultCode(result, 12), 0u);
    EXPECT_EQ(ZeDestroyDtsMsg(answer), 0u);

    // Argument-list queries take exactly one argument, also when the result is not one.
    unsigned int listed = 0;
    const char *text = nullptr;
    EXPECT_EQ(query(ZeGetDtsResultCode, result, &listed, 77), 0u);
    EXPECT_EQ(query(ZeGetDtsResultMessage, result, &text, 77), 0u);
    EXPECT_EQ(std::to_string(listed) + "|" + text, "12|3 rows");
    EXPECT_EQ(query(ZeGetDtsResultMessage, static_cast<DtsResult *>(nullptr), &text, 77), 4u);
}
