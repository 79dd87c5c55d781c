// Item, collection and list-from-collection operations driven through the
// test router: the requests they send, in order, and where the answers land.
#include "router_fixture.hpp"

namespace {

using ItemOpsTest = RouterTest;

Texts commands(const TestRouterApi *router)
{
    Texts sent;
    for (int i = 0; i < router->request_count(); ++i) sent.emplace_back(router->request(i)->command);
    return sent;
}

}  // namespace

TEST_F(ItemOpsTest, SingleItemOperationsSendTheirCommandWithMappedFields)
{
    OwnedItem item;
    OwnedFilter f("NAME EQ q1, TYPE EQ Topic");
    EXPECT_EQ(ZeDefineDtsItem(descriptor, info, f, item, result), 0u);
    EXPECT_EQ(ZeAlterDtsItem(descriptor, info, f, item, result), 0u);
    EXPECT_EQ(ZeDeleteDtsItem(descriptor, info, f, result), 0u);
    EXPECT_EQ(ZeOpenDtsItem(descriptor, info, f, item, result), 0u);
    EXPECT_EQ(ZeCopyDtsItem(descriptor, info, f, item, result), 0u);
    EXPECT_EQ(ZeRenameDtsItem(descriptor, info, f, item, result), 0u);
    EXPECT_EQ(ZeActUponDtsItem("VERIFY", descriptor, info, f, nullptr, result), 0u);
    EXPECT_EQ(commands(router), (Texts{"DEFINE", "ALTER", "DELETE", "SELECT", "COPY", "RENAME", "VERIFY"}));
    for (int i = 0; i < requests(); ++i) {
        EXPECT_EQ(sent_fields(i), (Texts{"OBJ_NAME EQ q1", "TYPE EQ T"}));
        EXPECT_EQ(request(i).kind, ZE_RESPONSE_ITEM);
    }

    answer(3, "refused");
    EXPECT_EQ(ZeAlterDtsItem(descriptor, info, f, item, result), ZE_RC_ROUTER_FAILED);
    EXPECT_EQ(result_message(), "refused");
    EXPECT_EQ(ZeDefineDtsItem(descriptor, info, f, reinterpret_cast<Item *>(info), result), 4u);

    // A new item holds the defaults, and nothing is sent.
    const int sent = requests();
    EXPECT_EQ(ZeNewDtsItem(descriptor, info, item, result), 0u);
    EXPECT_EQ(values_of(item), (Texts{"<null>", "none", "Queue", "<null>", "admin"}));
    EXPECT_EQ(requests(), sent);
}

TEST_F(ItemOpsTest, CopyAndRenameViaDefineSendTheNewKeyThenDeleteTheOld)
{
    OwnedItem item;
    OwnedFilter f("NAME EQ A, NEWNAME EQ B, OWNER EQ ops");
    EXPECT_EQ(ZeCopyDtsItemViaDefine(descriptor, info, f, item, result), 0u);
    EXPECT_EQ(ZeRenameDtsItemViaDefine(descriptor, info, f, item, result), 0u);
    EXPECT_EQ(commands(router), (Texts{"DEFINE", "DEFINE", "DELETE"}));
    EXPECT_EQ(sent_fields(0), (Texts{"NEWNAME EQ A", "OBJ_NAME EQ B"}));
    EXPECT_EQ(sent_fields(1), sent_fields(0));
    EXPECT_EQ(sent_fields(2), (Texts{"OBJ_NAME EQ A"}));

    // A refused DEFINE deletes nothing.
    router->reset();
    answer(5, "exists");
    EXPECT_EQ(ZeRenameDtsItemViaDefine(descriptor, info, f, item, result), ZE_RC_ROUTER_FAILED);
    EXPECT_EQ(commands(router), (Texts{"DEFINE"}));

    // Missing pseudo field: the old key stays; missing key: sent without it.
    router->reset();
    clear_trace();
    OwnedFilter noPseudo("NAME EQ A"), noKey("OWNER EQ ops");
    EXPECT_EQ(ZeCopyDtsItemViaDefine(descriptor, info, noPseudo, item, result), 0u);
    EXPECT_EQ(ZeCopyDtsItemViaDefine(descriptor, info, noKey, item, result), 0u);
    EXPECT_EQ(sent_fields(0), (Texts{"NEWNAME EQ A", "OBJ_NAME EQ A"}));
    EXPECT_EQ(sent_fields(1), Texts{});
    EXPECT_EQ(commands(router), (Texts{"DEFINE", "DEFINE"}));
    EXPECT_TRUE(traced("*** Pseudo field <NEWNAME> not specified in filter"));
    EXPECT_TRUE(traced("*** Key field <NAME> not specified in filter"));
}

TEST_F(ItemOpsTest, WithoutDupsKeepsTheFirstItemOfEachKeyInOrder)
{
    answer(0, nullptr, {"OBJ_NAME", "OWNER"},
           {{"A", "1"},
            {"B", "2"},
            {"A", "3"},
            {"C", "4"},
            {"B", "5"},
            {"a", "6"},
            {"", "7"},
            {nullptr, "8"},
            {"", "9"},
            {nullptr, "10"}});
    OwnedCollection c;
    OwnedFilter f("TYPE EQ Queue");
    ASSERT_EQ(ZeOpenDtsCollectionWithoutDups(descriptor, info, f, c, result), 0u);
    EXPECT_EQ(ZeCollectionPosition(c), 1u);
    Texts kept;
    for (const auto &row : rows_of(c)) kept.push_back(row[0] + row[4]);
    EXPECT_EQ(kept, (Texts{"A1", "B2", "C4", "a6", "7", "<null>8"}));
    EXPECT_EQ(trace()[trace().size() - 2], "10 items in collection");
    EXPECT_EQ(trace().back(), "6 items after removing duplicates");

    // A failing select still delivers its rows, without their duplicates.
    answer(9, "broken", {"OBJ_NAME"}, {{"A"}, {"A"}, {"B"}});
    clear_trace();
    EXPECT_EQ(ZeOpenDtsCollectionWithoutDups(descriptor, info, f, c, result), ZE_RC_ROUTER_FAILED);
    EXPECT_EQ(ZeCollectionSize(c), 2u);
    EXPECT_TRUE(traced("3 items in collection"));
    EXPECT_EQ(count_traced("2 items after"), 0u);

    // With dups, rows stay as sent.
    answer(0, nullptr, {"OBJ_NAME"}, {{"A"}, {"A"}});
    EXPECT_EQ(ZeOpenDtsCollectionWithDups(descriptor, info, f, c, result), 0u);
    EXPECT_EQ(ZeCollectionSize(c), 2u);
}

TEST_F(ItemOpsTest, ListFromCollectionSelectsWithoutTheStarAndKeepsOneColumn)
{
    OwnedItem list;
    OwnedFilter f("NAME EQ *, TYPE EQ Topic");
    answer(0, nullptr, {"OBJ_NAME", "TYPE"}, {{"q1", "T"}, {"q2", "T"}, {"q1", "T"}});
    ASSERT_EQ(ZeGetDtsListFromCollection(descriptor, info, f, list, result), 0u);
    EXPECT_EQ(values_of(list), (Texts{"q1", "q2"}));
    EXPECT_EQ(commands(router), Texts{"SELECT"});
    EXPECT_EQ(sent_fields(0), Texts{"TYPE EQ T"});

    answer(0, nullptr, {"OBJ_NAME"});
    EXPECT_EQ(ZeGetDtsListFromCollection(descriptor, info, f, list, result), ZE_RC_NO_ENTRY);
    EXPECT_EQ(ZeItemCount(list), 0u);

    clear_trace();
    OwnedFilter noStar("NAME EQ q1"), unknown("COLOR EQ *");
    EXPECT_EQ(ZeGetDtsListFromCollection(descriptor, info, noStar, list, result), 4u);
    EXPECT_TRUE(traced("*** get_list_field_name_from_filter: no filter entry of form NAME EQ *"));
    EXPECT_EQ(ZeGetDtsListFromCollection(descriptor, info, unknown, list, result), ZE_RC_NO_ENTRY);
    EXPECT_EQ(requests(), 2);
}
