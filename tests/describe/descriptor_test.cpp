// Descriptors and fields: appending, iteration and lookup by name.
#include "describe_test.hpp"

using DescriptorTest = TarnTest;

TEST_F(DescriptorTest, FieldsAreAppendedIteratedAndFoundByExactName)
{
    OwnedDescriptor d;
    Field *f = nullptr;
    EXPECT_EQ(ZeGetFieldCount(d), 0);
    EXPECT_EQ(ZeGetField(d, &f), 7u);
    EXPECT_EQ(ZeGetFieldByName(d, &f, "A"), 7u);
    EXPECT_EQ(f, nullptr);

    Field *a = d.add("STATUS");
    Field *b = d.add("DUP");
    Field *c = d.add("DUP");
    EXPECT_EQ(ZeGetFieldCount(d), 3);
    std::vector<Field *> seen;
    for (f = nullptr; ZeGetField(d, &f) == 0;) seen.push_back(f);
    EXPECT_EQ(seen, (std::vector<Field *>{a, b, c}));
    EXPECT_EQ(f, nullptr);

    // Names compare case-sensitively and the first match wins; 7 leaves the output alone.
    EXPECT_EQ(ZeGetFieldByName(d, &f, "DUP"), 0u);
    EXPECT_EQ(f, b);
    for (const char *other : {"status", "STATUs", "STATU", ""}) EXPECT_EQ(ZeGetFieldByName(d, &f, other), 7u) << other;
    EXPECT_EQ(f, b);
}
