// The JSON API through real HTTP: sessions and their cookies, the 401 and
// 403 rules on every route of the OpenAPI document, items read in pages and
// changed, validation, field descriptions, groups, record files.
#include "web_test.hpp"

TEST_F(Web, SessionsAreTheNodesLogonsWithStrictCookies)
{
    start();
    httplib::Client c = client();
    auto logon = [&](const std::string &body, const char *type = "application/json") {
        return answer(c.Post("/api/v1/session", body, type));
    };
    Answer refused = logon(R"({"node":"DEMO","user":"DEMO","password":"wrong"})");
    EXPECT_EQ(refused.status, 401);
    EXPECT_EQ(refused.body["node_code"], 1009);
    EXPECT_EQ(refused.body["field"], nullptr);
    Answer noNode = logon(R"({"node":"NOSUCH","user":"DEMO","password":"demo"})");
    EXPECT_EQ(noNode.status, 502);
    EXPECT_EQ(noNode.body["node_code"], 1001);
    EXPECT_EQ(logon(R"({"node":"DEMO","user":"DEMO"})").status, 400);
    EXPECT_EQ(logon(R"({"node":"DEMO","user":"DEMO","password":7})").status, 400);
    EXPECT_EQ(logon(R"({"node":"DEMO",)").status, 400);
    EXPECT_EQ(logon("node=DEMO&user=DEMO&password=demo", "application/x-www-form-urlencoded").status, 415);

    httplib::Result made =
        c.Post("/api/v1/session", R"({"node":"DEMO","user":"DEMO","password":"demo"})", "application/json");
    ASSERT_TRUE(made);
    ASSERT_EQ(made->status, 201) << made->body;
    const std::string cookie = made->get_header_value("Set-Cookie");
    EXPECT_NE(cookie.find("; HttpOnly"), std::string::npos) << cookie;
    EXPECT_NE(cookie.find("; SameSite=Strict"), std::string::npos) << cookie;
    EXPECT_NE(cookie.find("; Path=/"), std::string::npos) << cookie;
    EXPECT_EQ(cookie.find("Secure"), std::string::npos) << "no Secure flag over plain HTTP: " << cookie;
    const Login login{cookie.substr(0, cookie.find(';')), Json::parse(made->body)["csrf"]};
    EXPECT_EQ(login.cookie.size(), std::string("tarnweb_session=").size() + 64);
    EXPECT_EQ(sql("SELECT USER_ID, LOCAL_USER LIKE 'tarnweb-%' FROM SESSIONS"), "DEMO|1");

    Answer shown = get("/api/v1/session", login);
    EXPECT_EQ(shown.status, 200);
    EXPECT_EQ(shown.body["csrf"], login.csrf);
    EXPECT_EQ(shown.body["node"], "DEMO");
    EXPECT_EQ(get("/api/v1/session", Login{"tarnweb_session=" + std::string(64, '0'), ""}).status, 401);
    EXPECT_EQ(send("DELETE", "/api/v1/session", login, nullptr, false).status, 403);
    EXPECT_EQ(send("DELETE", "/api/v1/session", Login{login.cookie, std::string(64, '0')}).status, 403);
    httplib::Result off = c.Delete("/api/v1/session", as(login, true));
    ASSERT_TRUE(off);
    EXPECT_EQ(off->status, 200);
    EXPECT_NE(off->get_header_value("Set-Cookie").find("Max-Age=0"), std::string::npos);
    EXPECT_EQ(get("/api/v1/session", login).status, 401);
    EXPECT_EQ(sql("SELECT COUNT(*) FROM SESSIONS"), "0");
}

// Every route the OpenAPI document names answers 401 without a session and,
// for a change, 403 without the token: no route is left open, none missing.
TEST_F(Web, EveryRouteNeedsASessionAndEveryChangeItsToken)
{
    start();
    const Login login = logon();
    ASSERT_FALSE(login.csrf.empty());
    httplib::Result doc = client().Get("/api/v1/openapi.json");
    ASSERT_TRUE(doc && doc->status == 200);
    const Json paths = Json::parse(doc->body)["paths"];
    int routes = 0;
    for (const auto &[pattern, methods] : paths.items()) {
        std::string path = pattern;
        for (const auto &[name, value] : {std::pair{"{node}", "DEMO"},
                                          {"{kind}", "WORKSTATION"},
                                          {"{key}", "WS01"},
                                          {"{group}", "LAB"},
                                          {"{member}", "WS01"}})
            if (std::size_t at = path.find(name); at != std::string::npos) path.replace(at, std::strlen(name), value);
        for (const auto &[method, operation] : methods.items()) {
            std::string verb = method;
            std::transform(verb.begin(), verb.end(), verb.begin(), ::toupper);
            httplib::Request req;
            req.method = verb;
            req.path = path;
            if (operation.contains("security")) continue;  // the logon and the document itself
            ++routes;
            Answer none = answer(client().send(req));
            EXPECT_EQ(none.status, 401) << verb << " " << path;
            if (verb == "GET") continue;
            req.headers = as(login);
            req.set_header("Content-Type", "application/json");
            req.body = "{}";
            EXPECT_EQ(answer(client().send(req)).status, verb == "POST" && path.ends_with("/validate") ? 400 : 403)
                << verb << " " << path;
        }
    }
    EXPECT_EQ(routes, 19);
    EXPECT_EQ(get("/api/v1/nodes/DEMONT/kinds/PRINTER/items", login).status, 403);
    Answer wrongMethod = send("PATCH", "/api/v1/kinds", login);
    EXPECT_EQ(wrongMethod.status, 405);
    EXPECT_EQ(get("/api/v1/nothing", login).status, 404);
}

TEST_F(Web, ItemsComeInPagesAndChangeOnTheNode)
{
    start();
    const Login login = logon();
    Answer bldg = get(kPrinters + "/items?where=LOCATION=BLDG*", login);
    ASSERT_EQ(bldg.status, 200) << bldg.text;
    EXPECT_EQ(keys(bldg), "COLOR1 LASER1 LASER2 PLOTTER");
    EXPECT_EQ(bldg.body["message"], "4 rows selected");
    EXPECT_EQ(bldg.body["items"][1]["STATUS"], "Ready");
    EXPECT_EQ(keys(get(kPrinters + "/items?where=COPIES%3E1&where=NAME!%3DLABELS", login)), "LASER2");
    EXPECT_EQ(get(kPrinters + "/items?where=COPIES=1&fields=NAME,COPIES", login).body["items"][0],
              Json({{"NAME", "COLOR1"}, {"COPIES", "1"}}));

    // Pages follow the key: next, after, offset.
    Answer first = get(kPrinters + "/items?limit=2", login);
    EXPECT_EQ(keys(first), "COLOR1 LABELS");
    EXPECT_EQ(first.body["more"], true);
    EXPECT_EQ(first.body["message"], "3 rows selected") << "the node sends the page and one item more";
    Answer second = get(kPrinters + "/items?limit=2&after=" + first.body["next"].get<std::string>(), login);
    EXPECT_EQ(keys(second), "LASER1 LASER2");
    Answer last = get(kPrinters + "/items?limit=2&after=LASER2", login);
    EXPECT_EQ(keys(last), "PLOTTER");
    EXPECT_EQ(last.body["more"], false);
    EXPECT_EQ(last.body["next"], nullptr);
    EXPECT_EQ(keys(get(kPrinters + "/items?limit=2&offset=3", login)), "LASER2 PLOTTER");
    for (const char *bad : {"?limit=0", "?limit=1001", "?limit=x", "?offset=-1", "?offset=1&after=A", "?where=NOSUCH=1",
                            "?where=NAME", "?fields=NAME,NOSUCH"})
        EXPECT_EQ(get(kPrinters + "/items" + bad, login).status, 400) << bad;
    EXPECT_EQ(get("/api/v1/nodes/DEMO/kinds/NOSUCH/items", login).status, 404);
    Answer badCriterion = get(kPrinters + "/items?where=COPIES%3Eabc", login);
    EXPECT_EQ(badCriterion.status, 422) << "checked as its field's values are, before it is sent";
    EXPECT_EQ(badCriterion.body["field"], "COPIES");

    // Define, alter, copy, rename, delete, each read back from the node.
    Answer made = send("POST", kPrinters + "/items", login,
                       {{"NAME", "LASER7"}, {"STATUS", "Offline"}, {"COPIES", 2}, {"LOCATION", "BLDG E"}});
    ASSERT_EQ(made.status, 201) << made.text;
    EXPECT_EQ(made.body["message"], "PRINTER LASER7 defined");
    EXPECT_EQ(made.body["item"]["DESCRIPTION"], "No description");
    EXPECT_EQ(made.headers.find("Location")->second, kPrinters + "/items/LASER7");
    EXPECT_EQ(sql("SELECT PRN_STATUS, PRN_COPIES FROM PRINTER WHERE PRN_NAME = 'LASER7'"), "O|2");
    Answer again = send("POST", kPrinters + "/items", login, {{"NAME", "LASER7"}});
    EXPECT_EQ(again.status, 409);
    EXPECT_EQ(again.body["node_message"], "PRINTER LASER7 already exists");
    Answer refused = send("POST", kPrinters + "/items", login, {{"NAME", "LASER8"}, {"COPIES", "0"}});
    EXPECT_EQ(refused.status, 422);
    EXPECT_EQ(refused.body["code"], 310);
    EXPECT_EQ(refused.body["field"], "COPIES");
    // A value the node's rules refuse (a queue on no printer) names its field too.
    Answer orphan =
        send("POST", "/api/v1/nodes/DEMO/kinds/QUEUE/items", login, {{"NAME", "Q9"}, {"PRINTER", "NOSUCH"}});
    EXPECT_EQ(orphan.status, 422) << orphan.text;
    EXPECT_EQ(orphan.body["node_code"], 1018);
    EXPECT_EQ(orphan.body["field"], "PRINTER");
    EXPECT_EQ(send("POST", kPrinters + "/items", login, {{"NAME", {1, 2}}}).status, 400);
    EXPECT_EQ(send("POST", kPrinters + "/items", login, {{"NOSUCH", "1"}}).body["field"], "NOSUCH");

    Answer altered = send("PATCH", kPrinters + "/items/LASER7", login, {{"STATUS", "Ready"}});
    EXPECT_EQ(altered.status, 200);
    EXPECT_EQ(altered.body["item"]["STATUS"], "Ready");
    EXPECT_EQ(send("PATCH", kPrinters + "/items/NOSUCH", login, {{"STATUS", "Ready"}}).status, 404);
    EXPECT_EQ(send("PATCH", kPrinters + "/items/LASER7", login, {{"NAME", "X"}}).status, 400);
    EXPECT_EQ(get(kPrinters + "/items/LASER7", login).body["item"]["LOCATION"], "BLDG E");
    EXPECT_EQ(get(kPrinters + "/items/NOSUCH", login).status, 404);

    Answer copied =
        send("POST", kPrinters + "/items/LASER7/copy", login, {{"new_key", "LASER8"}, {"values", {{"COPIES", "5"}}}});
    EXPECT_EQ(copied.status, 201) << copied.text;
    EXPECT_EQ(copied.body["item"]["COPIES"], "5");
    EXPECT_EQ(send("POST", kPrinters + "/items/LASER7/copy", login, {{"new_key", "LASER8"}}).status, 409);
    EXPECT_EQ(send("POST", kPrinters + "/items/LASER8/rename", login, {{"new_key", "LASER9"}}).status, 200);
    EXPECT_EQ(send("POST", kPrinters + "/items/LASER8/rename", login, {{"new_key", "LASER10"}}).status, 404);
    EXPECT_EQ(send("DELETE", kPrinters + "/items/LASER9", login).body["message"], "PRINTER LASER9 deleted");
    EXPECT_EQ(send("DELETE", kPrinters + "/items/LASER9", login).status, 404);
    EXPECT_EQ(sql("SELECT PRN_NAME FROM PRINTER WHERE PRN_NAME LIKE 'LASER_' ORDER BY 1"), "LASER1;LASER2;LASER7");
}

TEST_F(Web, FieldsAndValidationComeFromTheDescriptor)
{
    start();
    const Login login = logon();
    Answer fields = get(kPrinters + "/fields", login);
    ASSERT_EQ(fields.status, 200);
    EXPECT_EQ(fields.body["key"], "NAME");
    EXPECT_EQ(fields.body["date_format"], "mm/dd/yyyy");
    const Json &f = fields.body["fields"];
    EXPECT_EQ(f[0]["required"], true);
    EXPECT_EQ(f[0]["max_length"], 32);
    EXPECT_EQ(f[1]["valid_values"], Json({"Ready", "Offline", "Maintenance"}));
    EXPECT_EQ(f[3]["type"], "DATE");
    EXPECT_EQ(f[3]["relops"], Json({"EQ", "NE", "LT", "LE", "GT", "GE"}));
    EXPECT_EQ(f[4]["low"], 1);
    EXPECT_EQ(f[4]["high"], 99);
    EXPECT_EQ(f[5]["uppercase"], true);
    EXPECT_EQ(f[7]["pseudo"], true);

    auto validate = [&](const char *field, const char *value) {
        return send("POST", kPrinters + "/validate", login, {{"field", field}, {"value", value}}, false);
    };
    EXPECT_EQ(validate("COPIES", "5").status, 200);
    Answer copies = validate("copies", "0");
    EXPECT_EQ(copies.status, 422);
    EXPECT_EQ(copies.body["code"], 310);
    EXPECT_EQ(copies.body["meaning"], "not a number in the field's range");
    EXPECT_EQ(copies.body["field"], "COPIES");
    EXPECT_EQ(validate("INSTALLED", "02/30/2024").body["field"], "INSTALLED");
    EXPECT_EQ(validate("LOCATION", "lower").body["code"], 303);
    EXPECT_EQ(validate("NOSUCH", "1").status, 400);

    // A kind with the flags the demo kinds lack: the password never leaves.
    const std::string accounts = "/api/v1/nodes/DEMO/kinds/ACCOUNT";
    const Json account = get(accounts + "/fields", login).body["fields"];
    EXPECT_EQ(account[1]["password"], true);
    EXPECT_EQ(account[2]["required"], true);
    EXPECT_EQ(account[2]["required_for"], Json({"DEFINE"}));
    EXPECT_EQ(account[3]["readonly"], true);
    Answer made =
        send("POST", accounts + "/items", login, {{"USERID", "ANN"}, {"SECRET", "Hush-42"}, {"ROLE", "admin"}});
    EXPECT_EQ(made.status, 201) << made.text;
    EXPECT_EQ(made.body["item"]["SECRET"], "********");
    EXPECT_EQ(get(accounts + "/items", login).body["items"][0]["SECRET"], "********");
    EXPECT_EQ(get(accounts + "/items?where=SECRET=H*", login).status, 400);
    Answer tooLong = send("PATCH", accounts + "/items/ANN", login, {{"SECRET", std::string(40, 'x')}});
    EXPECT_EQ(tooLong.status, 422);
    EXPECT_EQ(tooLong.text.find("xxxx"), std::string::npos) << tooLong.text;
    EXPECT_EQ(sql("SELECT SECRET FROM ACCOUNT"), "Hush-42");
}

TEST_F(Web, GroupsNameTheirMembers)
{
    start();
    const Login login = logon();
    const std::string ws = "/api/v1/nodes/DEMO/kinds/WORKSTATION";
    EXPECT_EQ(keys(get(ws + "/groups", login), "ID"), "LAB OFFICE");
    EXPECT_EQ(keys(get(ws + "/groups/LAB/members", login), "MEMBER"), "WS01 WS02 WS03");
    EXPECT_EQ(send("POST", ws + "/groups/LAB/members", login, {{"member", "WS05"}}).status, 201);
    EXPECT_EQ(keys(get(ws + "/groups/LAB/members", login), "MEMBER"), "WS01 WS02 WS03 WS05");
    EXPECT_EQ(send("DELETE", ws + "/groups/OFFICE/members/WS01", login).status, 404);
    EXPECT_EQ(send("DELETE", ws + "/groups/LAB/members/WS01", login).status, 200);
    EXPECT_EQ(keys(get(ws + "/groups/LAB/members", login), "MEMBER"), "WS02 WS03 WS05");
    EXPECT_EQ(get(kPrinters + "/groups", login).status, 404);
}

TEST_F(Web, RecordFilesGoOutAndComeBack)
{
    start();
    const Login login = logon();
    httplib::Result exported = client().Get(kPrinters + "/export?where=NAME=LA*", as(login));
    ASSERT_TRUE(exported);
    ASSERT_EQ(exported->status, 200);
    EXPECT_EQ(exported->get_header_value("X-Record-Count"), "3");
    const std::string file = exported->body;
    sql("DELETE FROM QUEUE");
    sql("DELETE FROM PRINTER WHERE PRN_NAME LIKE 'LA%'");

    httplib::Headers headers = as(login, true);
    httplib::Result imported = client().Post(kPrinters + "/import", headers, file, "application/octet-stream");
    ASSERT_TRUE(imported);
    EXPECT_EQ(imported->status, 200);
    EXPECT_EQ(Json::parse(imported->body)["defined"], 3);
    EXPECT_EQ(sql("SELECT PRN_NAME, PRN_STATUS FROM PRINTER WHERE PRN_NAME LIKE 'LA%'"), "LABELS|R;LASER1|R;LASER2|O");

    // With progress: lines as it goes, then the summary; here every record fails.
    headers.emplace("Accept", "application/x-ndjson");
    imported = client().Post(kPrinters + "/import", headers, file, "application/octet-stream");
    ASSERT_TRUE(imported);
    EXPECT_EQ(imported->get_header_value("Content-Type"), "application/x-ndjson");
    EXPECT_NE(imported->body.find(R"({"done":1,"total":3})"), std::string::npos) << imported->body;
    EXPECT_NE(imported->body.find(R"("failed":3)"), std::string::npos) << imported->body;
    // Items that exist are left alone, or altered to their records.
    sql("UPDATE PRINTER SET PRN_STATUS = 'M' WHERE PRN_NAME = 'LASER1'");
    Answer skipped = answer(client().Post(kPrinters + "/import?existing=skip", as(login, true), file, "text/plain"));
    EXPECT_EQ(skipped.body["message"], "0 defined, 3 skipped, 0 failed") << skipped.text;
    EXPECT_EQ(sql("SELECT PRN_STATUS FROM PRINTER WHERE PRN_NAME = 'LASER1'"), "M");
    Answer replaced =
        answer(client().Post(kPrinters + "/import?existing=replace", as(login, true), file, "text/plain"));
    EXPECT_EQ(replaced.body["replaced"], 3) << replaced.text;
    EXPECT_EQ(sql("SELECT PRN_STATUS FROM PRINTER WHERE PRN_NAME = 'LASER1'"), "R");
    EXPECT_EQ(answer(client().Post(kPrinters + "/import?existing=all", as(login, true), file, "text/plain")).status,
              400);

    // A damaged file defines nothing.
    sql("DELETE FROM PRINTER WHERE PRN_NAME LIKE 'LA%'");
    Answer damaged = answer(client().Post(kPrinters + "/import", as(login, true), file.substr(0, file.size() - 5),
                                          "application/octet-stream"));
    EXPECT_EQ(damaged.status, 400);
    EXPECT_NE(damaged.body["message"].get<std::string>().find("record file"), std::string::npos) << damaged.text;
    EXPECT_EQ(damaged.text.find("/tmp"), std::string::npos);
    EXPECT_EQ(sql("SELECT COUNT(*) FROM PRINTER WHERE PRN_NAME LIKE 'LA%'"), "0");
}
