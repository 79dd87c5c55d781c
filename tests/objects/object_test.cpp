// Merging interface tables and the chain of base objects, on objects built
// by hand the way an object library builds its own kinds.
#include "objects_test.hpp"

namespace {

struct Plain {
    ZeInterface *interface;
};

unsigned handler_a(void *, const char *, va_list *) { return 1; }
unsigned handler_b(void *, const char *, va_list *) { return 2; }
unsigned handler_c(void *, const char *, va_list *) { return 3; }

int released = 0;
unsigned release_plain(void *object)
{
    auto *plain = static_cast<Plain *>(object);
    unsigned rc = ZeObjectDestroyInterface(plain->interface);
    delete plain;
    ++released;
    return rc;
}

Plain *make_plain(const char *kind)
{
    auto *plain = new Plain{};
    EXPECT_EQ(ZeObjectCreateInterface(&plain->interface, kind), ZE_OK);
    return plain;
}

using Table = std::vector<std::pair<std::string, ZeHandler>>;

Table table_of(void *object, int tableId)
{
    ZeKeyedProcEntry *entries = reinterpret_cast<ZeKeyedProcEntry *>(1);
    EXPECT_EQ(ZeObjectGetTableValues(object, tableId, &entries), ZE_OK);
    Table table;
    for (ZeKeyedProcEntry *e = entries; e && e->key; ++e) table.emplace_back(e->key, e->procedure);
    return table;
}

class Objects : public TarnTest {
protected:
    void SetUp() override
    {
        TarnTest::SetUp();
        released = 0;
    }
};

TEST_F(Objects, MergingKeepsPlacesReplacesProceduresAndAppendsNewKeys)
{
    Plain *plain = make_plain("MERGE");
    const ZeKeyedProcEntry first[] = {{"A", handler_a}, {"B", handler_b}, {nullptr, nullptr}};
    ASSERT_EQ(ZeObjectSetTableValues(plain, ZE_TABLE_ACTIONS, first, -1), ZE_OK);
    const ZeKeyedProcEntry second[] = {{"b", nullptr}, {"C", handler_c}, {nullptr, nullptr}};
    ASSERT_EQ(ZeObjectSetTableValues(plain, ZE_TABLE_ACTIONS, second, -1), ZE_OK);
    EXPECT_EQ(table_of(plain, ZE_TABLE_ACTIONS), (Table{{"A", handler_a}, {"B", nullptr}, {"C", handler_c}}));

    // A key given twice ends with the later procedure; a count takes only
    // that many entries; NULL keys within the count are passed over.
    const ZeKeyedProcEntry third[] = {{"D", handler_a}, {nullptr, handler_c}, {"d", handler_b}, {"E", handler_c}};
    ASSERT_EQ(ZeObjectSetTableValues(plain, ZE_TABLE_ACTIONS, third, 3), ZE_OK);
    EXPECT_EQ(table_of(plain, ZE_TABLE_ACTIONS),
              (Table{{"A", handler_a}, {"B", nullptr}, {"C", handler_c}, {"D", handler_b}}));

    // Replacing a disabled key enables it again in its place.
    const ZeKeyedProcEntry fourth[] = {{"B", handler_a}, {nullptr, nullptr}};
    ASSERT_EQ(ZeObjectSetTableValues(plain, ZE_TABLE_ACTIONS, fourth, -1), ZE_OK);
    EXPECT_EQ(table_of(plain, ZE_TABLE_ACTIONS)[1], (Table::value_type{"B", handler_a}));
    EXPECT_TRUE(table_of(plain, ZE_TABLE_SET_PROPERTIES).empty()) << "tables are separate";

    // A merge that cannot get memory leaves the table as it was; replacing
    // known keys needs none.
    const ZeKeyedProcEntry more[] = {{"A", nullptr}, {"F", handler_b}, {nullptr, nullptr}};
    const Table before = table_of(plain, ZE_TABLE_ACTIONS);
    TarnSetAllocFailure(0, -1);
    EXPECT_EQ(ZeObjectSetTableValues(plain, ZE_TABLE_ACTIONS, more, -1), ZE_RC_NO_MEMORY);
    EXPECT_EQ(table_of(plain, ZE_TABLE_ACTIONS), before);
    EXPECT_EQ(ZeObjectSetTableValues(plain, ZE_TABLE_ACTIONS, more, 1), ZE_OK);
    TarnSetAllocFailure(-1, 0);
    EXPECT_EQ(table_of(plain, ZE_TABLE_ACTIONS)[0], (Table::value_type{"A", nullptr}));
    release_plain(plain);
}

TEST_F(Objects, ChainsAreWalkedByKindAndReleasedFromTheFront)
{
    Plain *top = make_plain("TOP");
    Plain *middle = make_plain("MIDDLE");
    Plain *bottom = make_plain("BOTTOM");
    ASSERT_EQ(ZeObjectSetBaseObject(top, middle, release_plain), ZE_OK);
    ASSERT_EQ(ZeObjectSetBaseObject(middle, bottom, release_plain), ZE_OK);
    EXPECT_EQ(ZeObjectBaseObject(top), middle);
    EXPECT_EQ(ZeObjectNamedObject(top, "TOP"), top);
    EXPECT_EQ(ZeObjectNamedObject(top, "BOTTOM"), bottom);
    EXPECT_EQ(ZeObjectNamedObject(middle, "TOP"), nullptr);
    EXPECT_TRUE(traced("*** ZeObjectNamedObject: TOP is not current object or in base object chain."));

    // A base whose chain leads back to the object would make a cycle.
    EXPECT_EQ(ZeObjectSetBaseObject(bottom, top, nullptr), ZE_RC_INVALID_PARAMETER);
    EXPECT_EQ(ZeObjectSetBaseObject(bottom, bottom, nullptr), ZE_RC_INVALID_PARAMETER);
    EXPECT_TRUE(traced("*** ZeObjectSetBaseObject: parameter 2 (BaseObject) is invalid"));
    EXPECT_EQ(ZeObjectBaseObject(bottom), nullptr);

    // The real-object setter serves front objects only.
    EXPECT_EQ(ZeSetRealObject(top, bottom, release_plain), ZE_RC_INVALID_PARAMETER);
    EXPECT_EQ(ZeDestroyObject(top), ZE_RC_INVALID_PARAMETER) << "a hand-made object is not a front object";

    // Replacing a base does not release the earlier one; a base without a
    // release procedure is not released with the chain.
    Plain *other = make_plain("OTHER");
    ASSERT_EQ(ZeObjectSetBaseObject(bottom, other, nullptr), ZE_OK);
    ASSERT_EQ(ZeObjectSetBaseObject(top, other, nullptr), ZE_OK);
    EXPECT_EQ(released, 0);
    release_plain(top);
    EXPECT_EQ(released, 1);
    release_plain(middle);
    EXPECT_EQ(released, 3) << "middle and bottom";
    release_plain(other);
}

}  // namespace
