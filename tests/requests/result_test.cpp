// Results and messages: texts, codes, argument-list queries, traces and
// allocation failures.
#include "tarn_test.hpp"
#include "ZeDts.h"

#include <cstdarg>
#include <string>

namespace {

using ResultTest = TarnTest;

using ListQuery = unsigned int (*)(DtsResult *, va_list *);

// Calls a query with an argument list of (out, sentinel) and reports the
// argument that follows the query's: the sentinel when it took exactly one.
unsigned int query_list(ListQuery query, DtsResult *result, int *pNext, ...)
{
    va_list args;
    va_start(args, pNext);
    unsigned int rc = query(result, &args);
    *pNext = va_arg(args, int);
    va_end(args);
    return rc;
}

unsigned int query_msg(DtsMessage *msg, int *pNext, ...)
{
    va_list args;
    va_start(args, pNext);
    unsigned int rc = ZeQueryDtsMsgBuffer(msg, &args);
    *pNext = va_arg(args, int);
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

TEST_F(ResultTest, MessageHoldsOneTextAndDumpsIt)
{
    DtsMessage *msg = nullptr;
    ASSERT_EQ(ZeCreateDtsMsg(&msg), 0u);
    ZeDumpDtsMsg(msg, nullptr);
    EXPECT_TRUE(traced("Message Length: 0 Message Buffer: ")) << trace_text();
    EXPECT_EQ(text_of(msg), "");

    const char *before = nullptr;
    EXPECT_EQ(ZeSetDtsMsgBuffer(msg, "node down"), 0u);
    ZeGetDtsMsgBuffer(msg, &before);
    ZeDumpDtsMsg(msg, "   ");
    EXPECT_TRUE(traced("   Message Length: 9 Message Buffer: node down"));

    // Setting a message to its own text is safe.
    EXPECT_EQ(ZeSetDtsMsgBuffer(msg, before), 0u);
    EXPECT_EQ(text_of(msg), "node down");

    // NULL is refused and the text stays; "" clears.
    clear_trace();
    EXPECT_EQ(ZeSetDtsMsgBuffer(msg, nullptr), 4u);
    EXPECT_TRUE(traced("*** ZeSetDtsMsgBuffer: parameter 2 (Buffer) is invalid")) << trace_text();
    EXPECT_EQ(text_of(msg), "node down");

    DtsMessage *copy = nullptr;
    ASSERT_EQ(ZeCreateDtsMsg(&copy), 0u);
    EXPECT_EQ(ZeDuplicateDtsMsg(copy, msg), 0u);
    const char *a = nullptr, *b = nullptr;
    ZeGetDtsMsgBuffer(msg, &a);
    ZeGetDtsMsgBuffer(copy, &b);
    EXPECT_STREQ(a, b);
    EXPECT_NE(a, b);
    EXPECT_EQ(ZeSetDtsMsgBuffer(msg, ""), 0u);
    EXPECT_EQ(text_of(copy), "node down");

    int next = 0;
    const char *queried = nullptr;
    EXPECT_EQ(query_msg(copy, &next, &queried, 77), 0u);
    EXPECT_STREQ(queried, "node down");
    EXPECT_EQ(next, 77);

    EXPECT_EQ(ZeDestroyDtsMsg(copy), 0u);
    EXPECT_EQ(ZeDestroyDtsMsg(msg), 0u);
}

TEST_F(ResultTest, ForeignHandlesAreRefusedWithTheirTraces)
{
    DtsResult *result = nullptr;
    ASSERT_EQ(ZeCreateDtsResult(&result), 0u);
    auto *notMsg = reinterpret_cast<DtsMessage *>(result);
    DtsMessage *msg = nullptr;
    ASSERT_EQ(ZeCreateDtsMsg(&msg), 0u);
    clear_trace();

    EXPECT_EQ(ZeIsValidDtsMsg(notMsg), 0);
    EXPECT_EQ(ZeIsValidDtsMsg(nullptr), 0);
    EXPECT_EQ(count_traced("*** Invalid DTS Msg Object encountered"), 2u);
    EXPECT_EQ(ZeIsValidDtsResult(reinterpret_cast<DtsResult *>(msg)), 0);
    EXPECT_TRUE(traced("*** Invalid DTS Result Object encountered."));
    EXPECT_EQ(ZeIsValidDtsResult(result), 1);

    clear_trace();
    EXPECT_EQ(ZeDestroyDtsMsg(notMsg), 4u);
    EXPECT_TRUE(traced("*** ZeDestroyDtsMsg: parameter 1 (Msg) is invalid"));
    EXPECT_EQ(ZeDuplicateDtsMsg(msg, nullptr), 4u);
    EXPECT_TRUE(traced("*** ZeDuplicateDtsMsg: parameter 2 (SrcMsg) is invalid"));
    EXPECT_EQ(ZeSetDtsResultMessage(result, notMsg), 4u);
    EXPECT_TRUE(traced("*** ZeSetDtsResultMessage: parameter 2 (Message) is invalid"));
    EXPECT_EQ(ZeDestroyDtsResult(reinterpret_cast<DtsResult *>(msg)), 4u);
    EXPECT_TRUE(traced("*** ZeDestroyDtsResult: parameter 1 (pResult) is invalid"));
    EXPECT_EQ(ZeCreateDtsMsg(nullptr), 4u);
    EXPECT_TRUE(traced("*** ZeCreateDtsMsg: parameter 1 (pMsg) is invalid"));
    unsigned int code = 99;
    EXPECT_EQ(ZeGetDtsResultFields(result, &code, nullptr), 4u);
    EXPECT_EQ(code, 99u);

    // Dumps ignore what is not a message.
    clear_trace();
    ZeDumpDtsMsg(notMsg, "x");
    ZeDumpDtsMsg(nullptr, "x");
    EXPECT_TRUE(trace().empty()) << trace_text();

    EXPECT_EQ(ZeDestroyDtsMsg(msg), 0u);
    EXPECT_EQ(ZeDestroyDtsResult(result), 0u);
}

TEST_F(ResultTest, ResultCarriesCodeAndItsOwnCopyOfTheText)
{
    DtsResult *result = nullptr;
    ASSERT_EQ(ZeCreateDtsResult(&result), 0u);
    unsigned int code = 99;
    const char *text = nullptr;
    EXPECT_EQ(ZeGetDtsResultFields(result, &code, &text), 0u);
    EXPECT_EQ(code, 0u);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "");

    EXPECT_EQ(ZeSetDtsResultFields(result, 7, "denied"), 0u);
    EXPECT_EQ(ZeSetDtsResultFields(result, 5, nullptr), 0u);
    ZeGetDtsResultFields(result, &code, &text);
    EXPECT_EQ(code, 5u);
    EXPECT_STREQ(text, "");

    // The result keeps its own copy of a message's text.
    DtsMessage *answer = nullptr;
    ASSERT_EQ(ZeCreateDtsMsg(&answer), 0u);
    ZeSetDtsMsgBuffer(answer, "3 rows");
    EXPECT_EQ(ZeSetDtsResultMessage(result, answer), 0u);
    EXPECT_EQ(ZeSetDtsResultCode(result, 12), 0u);
    EXPECT_EQ(ZeDestroyDtsMsg(answer), 0u);
    ZeGetDtsResultFields(result, &code, &text);
    EXPECT_EQ(code, 12u);
    EXPECT_STREQ(text, "3 rows");

    // Argument-list queries take exactly one argument.
    int next = 0;
    unsigned int listed = 0;
    EXPECT_EQ(query_list(ZeGetDtsResultCode, result, &next, &listed, 55), 0u);
    EXPECT_EQ(listed, 12u);
    EXPECT_EQ(next, 55);
    const char *message = nullptr;
    EXPECT_EQ(query_list(ZeGetDtsResultMessage, result, &next, &message, 66), 0u);
    EXPECT_STREQ(message, "3 rows");
    EXPECT_EQ(next, 66);
    // ... also when the result is not one.
    EXPECT_EQ(query_list(ZeGetDtsResultMessage, nullptr, &next, &message, 88), 4u);
    EXPECT_EQ(next, 88);
    EXPECT_EQ(ZeGetDtsResultCode(result, nullptr), 4u);
    EXPECT_TRUE(traced("*** ZeGetDtsResultCode: parameter 2 (pArgs) is invalid"));
    EXPECT_EQ(query_list(ZeGetDtsResultCode, result, &next, static_cast<unsigned int *>(nullptr), 1), 4u);
    EXPECT_TRUE(traced("*** ZeGetDtsResultFields: parameter 2 (pCode) is invalid"));

    EXPECT_EQ(ZeDestroyDtsResult(result), 0u);
}

TEST_F(ResultTest, AllocationFailuresGiveThreeAndLoseNothing)
{
    each_alloc_failure([&](long failAt) {
        DtsResult *result = reinterpret_cast<DtsResult *>(this);
        unsigned int rc = ZeCreateDtsResult(&result);
        if (rc != 0) {
            EXPECT_EQ(rc, 3u);
            EXPECT_EQ(result, nullptr);
            return;
        }
        rc = ZeSetDtsResultFields(result, 9, "lost connection");
        unsigned int code = 0;
        const char *text = nullptr;
        EXPECT_EQ(ZeGetDtsResultFields(result, &code, &text), 0u);
        EXPECT_EQ(code, 9u);
        ASSERT_NE(text, nullptr);
        if (rc == 0) {
            EXPECT_STREQ(text, "lost connection");
        } else {
            // The failed copy leaves no text; readers still get "".
            EXPECT_EQ(rc, 3u) << failAt;
            EXPECT_STREQ(text, "");
        }
        EXPECT_EQ(ZeDestroyDtsResult(result), 0u);
    });

    // A message whose copy failed dumps as having none.
    DtsMessage *msg = nullptr;
    ASSERT_EQ(ZeCreateDtsMsg(&msg), 0u);
    ZeSetDtsMsgBuffer(msg, "abc");
    TarnSetAllocFailure(0, 1);
    EXPECT_EQ(ZeSetDtsMsgBuffer(msg, "longer text"), 3u);
    TarnSetAllocFailure(-1, 0);
    ZeDumpDtsMsg(msg, "");
    EXPECT_TRUE(traced("Message Length: 3 Message Buffer: <None>")) << trace_text();
    EXPECT_EQ(ZeDestroyDtsMsg(msg), 0u);
}
