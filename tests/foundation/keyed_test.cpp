// Keyed procedure and value tables.
#include "tarn_test.hpp"

namespace {

using KeyedTest = TarnTest;

int g_calls = 0;
const char *g_lastKey = nullptr;

// Tells by its result whether it got the caller's first and third arguments.
unsigned record_call(void *object, const char *key, va_list *pArgs)
{
    ++g_calls;
    g_lastKey = key;
    return object == nullptr && pArgs == nullptr ? 55u : 77u;
}

unsigned other_call(void *, const char *, va_list *) { return 11u; }

unsigned one_argument(void *argument) { return *static_cast<unsigned *>(argument) + 1; }

}  // namespace

TEST_F(KeyedTest, LookupIgnoresCaseTakesTheFirstMatchAndTellsDisabledFromUnknown)
{
    ZeKeyedProcEntry table[4];
    ZeInitKeyedEntryProc(&table[0], "OPEN ITEM", record_call);
    ZeInitKeyedEntryProc(&table[1], "open item", other_call);
    ZeInitKeyedEntryProc(&table[2], "CLOSE", nullptr);
    ZeInitKeyedEntryProc(&table[3], nullptr, other_call);

    ZeHandler found = nullptr;
    EXPECT_EQ(ZeLookupKeyedEntryProc(table, "Open Item", &found), 0u);
    EXPECT_EQ(found, &record_call);
    EXPECT_EQ(ZeLookupKeyedEntryProc(table, "close", &found), 2u);
    EXPECT_EQ(found, nullptr);
    found = &other_call;
    EXPECT_EQ(ZeLookupKeyedEntryProc(table, "ABSENT", &found), 102u);
    EXPECT_EQ(found, &other_call) << "an absent key leaves the output alone";
    EXPECT_EQ(ZeLookupKeyedEntryProc(nullptr, "X", &found), 4u);
    EXPECT_EQ(found, nullptr);
    EXPECT_EQ(ZeLookupKeyedEntryProc(table, nullptr, nullptr), 4u);
    ZeKeyedProcEntry empty[1] = {{nullptr, nullptr}};
    EXPECT_EQ(ZeLookupKeyedEntryProc(empty, "X", nullptr), 102u);

    // Update reaches only the first entry of a key and may disable it.
    EXPECT_EQ(ZeUpdateKeyedEntryProc(table, "open ITEM", nullptr), 0u);
    EXPECT_EQ(table[0].procedure, nullptr);
    EXPECT_EQ(table[1].procedure, &other_call);
    EXPECT_EQ(ZeLookupKeyedEntryProc(table, "OPEN ITEM", nullptr), 2u);
    EXPECT_EQ(ZeUpdateKeyedEntryProc(table, "B", other_call), 102u);
    EXPECT_EQ(ZeUpdateKeyedEntryProc(nullptr, "B", other_call), 4u);
    EXPECT_TRUE(trace().empty());
}

TEST_F(KeyedTest, CallsPassArgumentsAndNeverCallDisabledEntries)
{
    ZeKeyedProcEntry table[] = {{"RUN", record_call}, {"OFF", nullptr}, {nullptr, nullptr}};
    g_calls = 0;
    EXPECT_EQ(ZeCallKeyedEntryProc(table, "run", nullptr, nullptr), 55u);
    EXPECT_STREQ(g_lastKey, "run");
    int object = 0;
    EXPECT_EQ(ZeCallKeyedEntryProc(table, "RUN", &object, nullptr), 77u);
    EXPECT_EQ(ZeCallKeyedEntryProc(table, "OFF", &object, nullptr), 2u);
    EXPECT_EQ(ZeCallKeyedEntryProc(table, "NONE", &object, nullptr), 102u);
    EXPECT_EQ(g_calls, 2);

    ZeKeyedProcEntry generic[] = {{"ONE", reinterpret_cast<ZeHandler>(reinterpret_cast<void (*)()>(one_argument))},
                                  {nullptr, nullptr}};
    unsigned value = 41;
    EXPECT_EQ(ZeCallGenericKeyedEntryProc(generic, "one", &value), 42u);
    EXPECT_EQ(ZeCallGenericKeyedEntryProc(generic, "two", &value), 102u);
}

TEST_F(KeyedTest, ValueTablesTreatZeroAsAValue)
{
    ZeKeyedValueEntry table[3];
    ZeInitKeyedValue(&table[0], "ZERO", 0);
    ZeInitKeyedValue(&table[1], "ten", 10);
    ZeInitKeyedValue(&table[2], nullptr, 0);
    int value = -1;
    EXPECT_EQ(ZeLookupKeyedValue(table, "zero", &value), 0u);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(ZeUpdateKeyedValue(table, "TEN", 11), 0u);
    EXPECT_EQ(ZeLookupKeyedValue(table, "Ten", &value), 0u);
    EXPECT_EQ(value, 11);
    EXPECT_EQ(ZeLookupKeyedValue(table, "none", &value), 101u);
    EXPECT_EQ(ZeUpdateKeyedValue(table, "none", 1), 101u);
    EXPECT_EQ(ZeLookupKeyedValue(table, "ten", nullptr), 4u);
    EXPECT_EQ(ZeLookupKeyedValue(nullptr, "ten", &value), 4u);
}
