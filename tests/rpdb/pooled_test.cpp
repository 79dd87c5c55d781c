// TarnRout through PgBouncer (runs rout_items_*_pooled): the node's status
// reads through either pooling mode; a pooler that hands a server connection
// out per transaction keeps no logon session, so a LOGON is refused with the
// reason; one pooling by session keeps it.
#include "rpdb_test.hpp"

#include "TarnRout.h"
#include "ZeLogon.h"

namespace {

using RoutPooled = Rpdb;

}  // namespace

TEST_F(RoutPooled, StatusReadsThroughAnyPoolerButALogonNeedsOneThatKeepsSessions)
{
    const std::string mode = std::getenv("TARN_TEST_POOLER");
    DtsAction *status = nullptr;
    ASSERT_EQ(ZeCreateDtsAction(&status), ZE_OK);
    EXPECT_EQ(ZeRouteDtsAction(status, info_, "STATUS", result_), ZE_OK) << message();
    ZeDestroyDtsAction(status);
    EXPECT_NE(message().find("version=PostgreSQL 15"), std::string::npos) << message();
    EXPECT_NE(message().find("role=primary; "), std::string::npos) << message();

    ZeSetDtsInfoField(info_, ZE_INFO_USERNAME, "alice");
    const unsigned rc = ZeLogonUser(node_.c_str(), "tarn_admin", "tarn-admin-pw", "alice");
    if (mode == "transaction") {
        EXPECT_EQ(rc, ZE_RC_ROUTER_FAILED);
        EXPECT_TRUE(traced("*** ZeLogCl : Logon failure, rc = 1022")) << trace_text();
        EXPECT_NE(trace_text().find("Logon to " + node_ +
                                    " refused: the node is reached through a pooler in transaction mode"),
                  std::string::npos)
            << trace_text();
        return;
    }
    ASSERT_EQ(rc, ZE_OK) << trace_text();
    EXPECT_EQ(act(ZeDefineDtsItem, {{"NAME", "EQ", "P1"}}), ZE_OK) << message();
    EXPECT_EQ(ZeLogonIsValidUser(node_.c_str(), "tarn_admin", "alice"), ZE_OK);
    EXPECT_EQ(ZeLogoffUser(node_.c_str(), "tarn_admin", "alice"), ZE_OK);
    EXPECT_EQ(sql("SELECT PRN_NAME FROM PRINTER WHERE PRN_NAME = 'P1'"), "P1");
}
