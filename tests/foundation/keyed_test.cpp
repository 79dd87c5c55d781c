// Keyed value tables (procedure tables are exercised by object dispatch).
#include "tarn_test.hpp"

using KeyedTest = TarnTest;

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
