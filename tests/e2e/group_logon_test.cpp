// A session on the demo node end to end: log on with the demo user, work
// with the groups of the workstations through a group object, log off. The
// node's tables are checked after each change.
#include "e2e_test.hpp"

TEST_F(E2e, LogOnListAGroupsMembersAddAndTakeOutMembersLogOff)
{
    ASSERT_EQ(ZeLogonUser("DEMO", "DEMO", "demo", "tester"), ZE_OK) << trace_text();
    EXPECT_EQ(sql("DEMO", "SELECT LOCAL_USER, USER_ID FROM SESSIONS"), "tester|DEMO");
    EXPECT_EQ(ZeLogonIsValidUser("DEMO", "DEMO", "tester"), ZE_OK);

    ASSERT_EQ(create("WORKSTATION", {}), ZE_OK);
    route_to("DEMO");
    EXPECT_EQ(rows({{"GROUPID", "EQ", "OFFICE"}}), "OFFICE|WS04;OFFICE|WS05");
    EXPECT_EQ(rows({{"ITEM_TYPE", "EQ", "GROUP"}}), "LAB|GROUP||||;OFFICE|GROUP||||");

    // A new workstation is in no group; DEFINE ITEM with GROUPID puts it into one.
    ASSERT_EQ(act("DEFINE ITEM", {{"ID", "EQ", "WS09"}, {"OWNER", "EQ", "ZOE"}}), ZE_OK) << last_message();
    EXPECT_EQ(values_, "WS09|WORKSTATION||Linux|ZOE|");
    EXPECT_EQ(sql("DEMO", "SELECT ID IS NULL FROM WKSGROUP WHERE MEMBER = 'WS09'"), "1");
    ASSERT_EQ(act("DEFINE ITEM", {{"GROUPID", "EQ", "LAB"}, {"MEMBER", "EQ", "WS09"}}), ZE_OK) << last_message();
    EXPECT_EQ(values_, "<null>");
    EXPECT_EQ(last_message(), "WKSGROUP WS09 altered");
    EXPECT_EQ(sql("DEMO", "SELECT W.GROUPID, G.ID FROM WORKSTATION W JOIN WKSGROUP G ON G.MEMBER = W.ID"
                          " WHERE W.ID = 'WS09'"),
              "LAB|LAB");
    EXPECT_EQ(rows({{"GROUPID", "EQ", "LAB"}}), "LAB|WS01;LAB|WS02;LAB|WS03;LAB|WS09");

    // DELETE ITEM with an empty GROUPID takes a member out; the member listing shows it.
    ASSERT_EQ(ZeSubmitAction(object_, "DELETE ITEM", filter({{"GROUPID", "EQ", ""}, {"MEMBER", "EQ", "WS04"}}).get()),
              ZE_OK);
    EXPECT_EQ(sql("DEMO", "SELECT count(*) FROM WORKSTATION WHERE ID = 'WS04' AND GROUPID IS NULL"), "1");
    EXPECT_EQ(rows({{"ID", "EQ", "WS04"}}), "WS04|WORKSTATION||Windows|DAVE|");
    // In the group listing a workstation without a group is a group without an ID, unless left out.
    EXPECT_EQ(rows({{"ITEM_TYPE", "EQ", "GROUP"}}), "LAB|GROUP||||;|GROUP||||;OFFICE|GROUP||||");
    EXPECT_EQ(rows({{"ITEM_TYPE", "EQ", "GROUP"}, {"ID", "NE", ""}}), "LAB|GROUP||||;OFFICE|GROUP||||");

    // A group record goes only with its workstation.
    EXPECT_EQ(ZeSubmitAction(object_, "DELETE ITEM", filter({{"ITEM_TYPE", "EQ", "GROUP"}, {"ID", "EQ", "LAB"}}).get()),
              ZE_RC_ROUTER_FAILED);
    EXPECT_EQ(sql("DEMO", "SELECT count(*) FROM WKSGROUP WHERE ID = 'LAB'"), "4");
    ASSERT_EQ(ZeSubmitAction(object_, "DELETE ITEM", filter({{"ID", "EQ", "WS09"}}).get()), ZE_OK);
    EXPECT_EQ(sql("DEMO", "SELECT count(*) FROM WKSGROUP WHERE MEMBER = 'WS09'"), "0");

    ASSERT_EQ(ZeLogoffUser("DEMO", "DEMO", "tester"), ZE_OK);
    EXPECT_EQ(sql("DEMO", "SELECT count(*) FROM SESSIONS"), "0");

    // The map gives DEMONT the platform WNT: a logon there sends nothing.
    clear_trace();
    EXPECT_EQ(ZeLogonUser("DEMONT", "DEMO", "demo", "tester"), ZE_OK);
    for (const std::string &line : trace()) EXPECT_EQ(line.find("Routing LOGON"), std::string::npos) << line;
    EXPECT_EQ(sql("DEMONT", "SELECT count(*) FROM SESSIONS"), "0");
}
