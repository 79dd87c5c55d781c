// Keyed procedure and value tables.
#include "tarn_test.hpp"

namespace {

using KeyedTest = TarnTest;

unsigned record_call(void *, const char *, va_list *) { return 77u; }
unsigned other_call(void *, const char *, va_list *) { return 11u; }

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

    // Update reaches only the first entry of a key and may disable it.
    EXPECT_EQ(ZeUpdateKeyedEntryProc(table, "open ITEM", nullptr), 0u);
    EXPECT_EQ(table[0].procedure, nullptr);
    EXPECT_EQ(table[1].procedure, &other_call);
    EXPECT_EQ(ZeLookupKeyedEntryProc(table, "OPEN ITEM", nullptr), 2u);
    EXPECT_EQ(ZeUpdateKeyedEntryProc(table, "B", other_call), 102u);
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
}
