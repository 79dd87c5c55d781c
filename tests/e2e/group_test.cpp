// The groups of the workstations end to end, through a group object on the
// demo node; the node's tables are checked after each change.
#include "e2e_test.hpp"

TEST_F(E2e, GroupMembersAreListedAndTakenOut)
{
    ASSERT_EQ(create("WORKSTATION", {}), ZE_OK);
    route_to("DEMO");
    EXPECT_EQ(rows({{"GROUPID", "EQ", "OFFICE"}}), "OFFICE|WS04;OFFICE|WS05");
    EXPECT_EQ(rows({{"ITEM_TYPE", "EQ", "GROUP"}}), "LAB|GROUP||||;OFFICE|GROUP||||");

    // A new workstation is in no group.
    ASSERT_EQ(act("DEFINE ITEM", {{"ID", "EQ", "WS09"}, {"OWNER", "EQ", "ZOE"}}), ZE_OK) << last_message();
    EXPECT_EQ(values_, "WS09|WORKSTATION||Linux|ZOE|");
    EXPECT_EQ(sql("DEMO", "SELECT ID IS NULL FROM WKSGROUP WHERE MEMBER = 'WS09'"), "1");

    // DELETE ITEM with an empty GROUPID takes a member out.
    ASSERT_EQ(ZeSubmitAction(object_, "DELETE ITEM", filter({{"GROUPID", "EQ", ""}, {"MEMBER", "EQ", "WS04"}}).get()),
              ZE_OK);
    EXPECT_EQ(sql("DEMO", "SELECT count(*) FROM WORKSTATION WHERE ID = 'WS04' AND GROUPID IS NULL"), "1");
    // In the group listing a workstation without a group is a group without an ID, unless left out.
    EXPECT_EQ(rows({{"ITEM_TYPE", "EQ", "GROUP"}}), "LAB|GROUP||||;|GROUP||||;OFFICE|GROUP||||");
    EXPECT_EQ(rows({{"ITEM_TYPE", "EQ", "GROUP"}, {"ID", "NE", ""}}), "LAB|GROUP||||;OFFICE|GROUP||||");

    // A group record goes only with its workstation.
    EXPECT_EQ(ZeSubmitAction(object_, "DELETE ITEM", filter({{"ITEM_TYPE", "EQ", "GROUP"}, {"ID", "EQ", "LAB"}}).get()),
              ZE_RC_ROUTER_FAILED);
    EXPECT_EQ(sql("DEMO", "SELECT count(*) FROM WKSGROUP WHERE ID = 'LAB'"), "3");
    ASSERT_EQ(ZeSubmitAction(object_, "DELETE ITEM", filter({{"ID", "EQ", "WS09"}}).get()), ZE_OK);
    EXPECT_EQ(sql("DEMO", "SELECT count(*) FROM WKSGROUP WHERE MEMBER = 'WS09'"), "0");
}
