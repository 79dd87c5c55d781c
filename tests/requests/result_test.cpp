// Results and messages: texts, codes, argument-list queries, traces and
// allocation failures.
#include "tarn_test.hpp"
#include "ZeDts.h"

#include <cstdarg>
#include <string>

namespace {

using Lines = std::vector<std::string>;

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
template <class Object>
unsigned int query(unsigned int (*fn)(Object *, va_list *), Object *object, ...)
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
    EXPECT_EQ(ZeSetDtsMsgBuffer(msg, before), 0u);  // its own text
    EXPECT_EQ(ZeSetDtsMsgBuffer(msg, nullptr), 4u);   // refused: the text stays
    EXPECT_EQ(text_of(msg), "node down");
    EXPECT_EQ(trace(), (Lines{"Message Length: 0 Message Buffer: ", "   Message Length: 9 Message Buffer: node down",
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

TEST_F(ResultTest, ForeignHandlesAreRefusedWithTheirTraces)
{
    auto *notMsg = reinterpret_cast<DtsMessage *>(result);
    auto *notResult = reinterpret_cast<DtsResult *>(msg);
    EXPECT_EQ(ZeIsValidDtsMsg(notMsg), 0);
    EXPECT_EQ(ZeIsValidDtsMsg(nullptr), 0);
    EXPECT_EQ(ZeIsValidDtsResult(notResult), 0);
    EXPECT_EQ(ZeIsValidDtsResult(result), 1);
    EXPECT_EQ(ZeDestroyDtsMsg(notMsg), 4u);
    EXPECT_EQ(ZeSetDtsResultMessage(result, notMsg), 4u);
    EXPECT_EQ(ZeDestroyDtsResult(notResult), 4u);
    unsigned int code = 99;
    EXPECT_EQ(ZeGetDtsResultFields(result, &code, nullptr), 4u);
    EXPECT_EQ(code, 99u);
    ZeDumpDtsMsg(notMsg, "x");  // dumps ignore what is not a message
    ZeDumpDtsMsg(nullptr, "x");
    EXPECT_EQ(trace(), (Lines{"*** Invalid DTS Msg Object encountered", "*** Invalid DTS Msg Object encountered",
                              "*** Invalid DTS Result Object encountered.", "*** Invalid DTS Msg Object encountered",
                              "*** ZeDestroyDtsMsg: parameter 1 (Msg) is invalid",
                              "*** Invalid DTS Msg Object encountered",
                              "*** ZeSetDtsResultMessage: parameter 2 (Message) is invalid",
                              "*** Invalid DTS Result Object encountered.",
                              "*** ZeDestroyDtsResult: parameter 1 (pResult) is invalid",
                              "*** ZeGetDtsResultFields: parameter 3 (pMessage) is invalid"}));
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
    clear_trace();
    EXPECT_EQ(query(ZeGetDtsResultCode, result, static_cast<unsigned int *>(nullptr), 77), 4u);
    EXPECT_EQ(trace(), Lines{"*** ZeGetDtsResultFields: parameter 2 (pCode) is invalid"});
}

TEST_F(ResultTest, AllocationFailuresGiveThreeAndLoseNothing)
{
    ZeDestroyDtsResult(result);
    each_alloc_failure([&](long failAt) {
        result = reinterpret_cast<DtsResult *>(this);
        unsigned int rc = ZeCreateDtsResult(&result);
        if (rc != 0) {
            EXPECT_TRUE(rc == 3 && !result) << rc;
            return;
        }
        rc = ZeSetDtsResultFields(result, 9, "lost connection");
        // A failed copy leaves no text; readers still get "".
        EXPECT_EQ(fields(), rc ? "9|" : "9|lost connection");
        EXPECT_TRUE(rc == 0 || rc == 3) << failAt;
        EXPECT_EQ(ZeDestroyDtsResult(result), 0u);
    });
    ZeCreateDtsResult(&result);

    // A message whose copy failed dumps as having none.
    ZeSetDtsMsgBuffer(msg, "abc");
    TarnSetAllocFailure(0, 1);
    EXPECT_EQ(ZeSetDtsMsgBuffer(msg, "longer text"), 3u);
    TarnSetAllocFailure(-1, 0);
    ZeDumpDtsMsg(msg, "");
    EXPECT_TRUE(traced("Message Length: 3 Message Buffer: <None>")) << trace_text();
}
