// One-shot commands of tarnadm: what each writes, the node content it
// leaves, the three output forms with awkward values, and the exit code and
// single error line of every kind of bad input.
#include "tarnadm_run.hpp"

#include <nlohmann/json.hpp>

namespace {

// Reads RFC 4180 text back into rows of fields.
std::vector<std::vector<std::string>> parse_csv(const std::string &text)
{
    std::vector<std::vector<std::string>> rows(1, std::vector<std::string>(1));
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        std::string &field = rows.back().back();
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') field += '"', ++i;
            else if (c == '"') quoted = false;
            else field += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            rows.back().emplace_back();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            ++i;
            rows.emplace_back(1);
        } else {
            field += c;
        }
    }
    if (rows.back().size() == 1 && rows.back()[0].empty()) rows.pop_back();
    return rows;
}

std::size_t lines(const std::string &text)
{
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

const std::string kLong(80, 'x');  // DESCRIPTION takes at most 80
const std::vector<std::pair<std::string, std::string>> kAwkward = {
    {"P_COMMA", "one, two"},          {"P_QUOTE", "say \"hi\""}, {"P_BREAK", "line one\nline two\r\nthree"},
    {"P_UTF8", "Drucker für Büro ✓"}, {"P_LONG", kLong},         {"P_EMPTY", ""}};

}  // namespace

using ItemCommands = TarnadmTest;

TEST_F(ItemCommands, EachCommandChangesTheNodeAndShowsTheItem)
{
    Result r = run({"define", "PRINTER", "NAME=LASER3", "STATUS=Offline", "SHARED=TRUE", "INSTALLED=05/20/2024",
                    "LOCATION=BLDG D"});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_NE(r.out.find("Status:      Offline"), std::string::npos) << r.out;
    EXPECT_EQ(sql("SELECT PRN_STATUS, PRN_SHARED, PRN_COPIES, PRN_DESC FROM PRINTER WHERE PRN_NAME = 'LASER3'"),
              "O|Y|1|No description");

    r = run({"alter", "PRINTER", "LASER3", "COPIES=4", "STATUS=Ready", "-o", "json"});
    EXPECT_EQ(r.exit, 0) << r.err;
    const auto item = nlohmann::json::parse(r.out);
    EXPECT_EQ(item["COPIES"], "4");
    EXPECT_EQ(item["STATUS"], "Ready");
    EXPECT_EQ(sql("SELECT PRN_STATUS, PRN_COPIES FROM PRINTER WHERE PRN_NAME = 'LASER3'"), "R|4");

    EXPECT_EQ(run({"copy", "PRINTER", "LASER3", "LASER4", "LOCATION=BLDG E"}).exit, 0);
    EXPECT_EQ(run({"rename", "PRINTER", "LASER4", "LASER5"}).exit, 0);
    EXPECT_EQ(sql("SELECT PRN_NAME, PRN_COPIES, PRN_LOCATION FROM PRINTER WHERE PRN_NAME LIKE 'LASER_' AND "
                  "PRN_NAME > 'LASER2' ORDER BY 1"),
              "LASER3|4|BLDG D;LASER5|4|BLDG E");

    r = run({"show", "PRINTER", "LASER5", "-o", "csv"});
    EXPECT_EQ(r.out, "NAME,STATUS,SHARED,INSTALLED,COPIES,LOCATION,DESCRIPTION\r\n"
                     "LASER5,Ready,TRUE,05/20/2024,4,BLDG E,No description\r\n");

    // An empty value clears an optional field.
    r = run({"alter", "PRINTER", "LASER5", "DESCRIPTION=", "INSTALLED="});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(sql("SELECT PRN_DESC IS NULL, PRN_INSTALLED IS NULL FROM PRINTER WHERE PRN_NAME = 'LASER5'"), "1|1");

    r = run({"delete", "PRINTER", "LASER5"});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(sql("SELECT count(*) FROM PRINTER WHERE PRN_NAME = 'LASER5'"), "0");
}

TEST_F(ItemCommands, DeletingSeveralItemsNeedsYes)
{
    sql("DELETE FROM QUEUE", true);
    Result r = run({"delete", "PRINTER", "LOCATION=BLDG A*"});
    EXPECT_EQ(r.exit, 2);
    EXPECT_NE(r.err.find("2 items match"), std::string::npos) << r.err;
    EXPECT_EQ(sql("SELECT count(*) FROM PRINTER"), "5");
    EXPECT_EQ(run({"delete", "PRINTER", "LOCATION=BLDG A*", "--yes"}).exit, 0);
    EXPECT_EQ(sql("SELECT PRN_NAME FROM PRINTER ORDER BY 1"), "COLOR1;LABELS;PLOTTER");
}

TEST_F(ItemCommands, CriteriaSelectWhatListNamesAndFieldsShow)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"LOCATION=BLDG*"}, "COLOR1;LASER1;LASER2;PLOTTER"},
        {{"COPIES>1"}, "LABELS;LASER2"},
        {{"COPIES>=2", "COPIES<10"}, "LASER2"},
        {{"copies<=1", "STATUS!=Ready"}, "PLOTTER"},
        {{"--where", "LOCATION EQ SHIPPING"}, "LABELS"},
        {{"INSTALLED>01/01/2020"}, "COLOR1;LABELS;LASER1"},
        {{"INSTALLED=3/15/2021"}, "LASER1"},
        {{"LOCATION=bldg*"}, "COLOR1;LASER1;LASER2;PLOTTER"},
        {{"STATUS=off*"}, "LASER2"},
        {{"NAME=NONE*"}, ""},
    };
    for (const auto &[criteria, names] : cases) {
        std::vector<std::string> args = {"list", "PRINTER", "-o", "csv", "--fields", "NAME"};
        args.insert(args.end(), criteria.begin(), criteria.end());
        const Result r = run(args);
        EXPECT_EQ(r.exit, 0) << r.err;
        std::string got;
        for (const auto &row : parse_csv(r.out)) got += (row[0] == "NAME" ? "" : (got.empty() ? "" : ";") + row[0]);
        EXPECT_EQ(got, names) << criteria[0];
    }
    Result r = run({"names", "PRINTER", "LOCATION=BLDG A*", "-o", "json"});
    EXPECT_EQ(nlohmann::json::parse(r.out), nlohmann::json::parse(R"([{"NAME":"LASER1"},{"NAME":"LASER2"}])"));
    r = run({"list", "PRINTER", "NAME=LASER1", "--fields", "copies, name"});
    EXPECT_EQ(r.out, "Copies  Name\n1       LASER1\n");
}

TEST_F(ItemCommands, OutputFormsKeepAwkwardValues)
{
    for (const auto &[name, value] : kAwkward)
        sql("INSERT INTO PRINTER (PRN_NAME, PRN_DESC) VALUES ('" + name + "', '" + value + "')", true);
    // Values with quotes need SQL quoting of their own.
    sql("UPDATE PRINTER SET PRN_DESC = 'say \"hi\" and ''so''' WHERE PRN_NAME = 'P_QUOTE'", true);
    const std::string expected = sql("SELECT PRN_NAME, ifnull(PRN_DESC, '') FROM PRINTER WHERE PRN_NAME LIKE 'P!_%' "
                                     "ESCAPE '!' ORDER BY 1");

    Result r = run({"list", "PRINTER", "NAME=P_*", "-o", "json", "--fields", "NAME,DESCRIPTION"});
    ASSERT_EQ(r.exit, 0) << r.err;
    std::string fromJson, fromCsv;
    for (const auto &item : nlohmann::json::parse(r.out))
        fromJson += (fromJson.empty() ? "" : ";") + item["NAME"].get<std::string>() + "|" +
                    item["DESCRIPTION"].get<std::string>();
    EXPECT_EQ(fromJson, expected);
    r = run({"list", "PRINTER", "NAME=P_*", "-o", "csv", "--fields", "NAME,DESCRIPTION"});
    for (const auto &row : parse_csv(r.out))
        if (row[0] != "NAME") fromCsv += (fromCsv.empty() ? "" : ";") + row[0] + "|" + row.at(1);
    EXPECT_EQ(fromCsv, expected);

    // The table keeps one line per item (line breaks shown as blanks) and,
    // written to a file, is never cut.
    r = run({"list", "PRINTER", "NAME=P_*", "--fields", "NAME,DESCRIPTION"});
    EXPECT_EQ(lines(r.out), kAwkward.size() + 1) << r.out;
    EXPECT_EQ(r.out.rfind("Name     Description", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("P_LONG   " + kLong + "\n"), std::string::npos);
    EXPECT_NE(r.out.find("Drucker für Büro ✓"), std::string::npos);
}

using BadInput = TarnadmTest;

TEST_F(BadInput, EachFailureIsOneLineWithItsExitCode)
{
    struct Case {
        std::vector<std::string> args;
        int exit;
        std::string text;
    };
    const std::vector<Case> cases = {
        {{"frobnicate", "PRINTER"}, 2, "unknown command frobnicate"},
        {{"list", "PRINTERS"}, 2, "unknown object kind PRINTERS"},
        {{"list", "PRINTER", "COLOUR=red"}, 2, "unknown field COLOUR"},
        {{"validate", "PRINTER", "COPIE", "1"}, 2, "unknown field COPIE (did you mean COPIES?"},
        {{"list", "PRINTER", "NAME"}, 2, "bad criterion \"NAME\""},
        {{"list", "PRINTER", "--where", "NAME"}, 2, "bad --where"},
        {{"define", "PRINTER", "NAME>X"}, 2, "bad FIELD=VALUE"},
        {{"show", "PRINTER"}, 2, "KEY is required"},
        {{"alter", "PRINTER", "LASER1", "NAME=LASER7"}, 2, "the key NAME names the item"},
        {{"groups", "PRINTER"}, 2, "has no groups"},
        {{"-o", "xml", "objects"}, 2, "xml"},
        {{"define", "PRINTER", "NAME=P1", "COPIES=100"}, 3, "COPIES value \"100\" refused: code 301"},
        {{"validate", "PRINTER", "INSTALLED", "02/30/2024"}, 3, "code 252"},
        {{"validate", "WORKSTATION", "ID", "ws01"}, 3, "code 303"},
        {{"names", "PRINTER", "COPIES=abc"}, 3, "COPIES: abc is not a number from 1 to 99: code 310"},
        {{"names", "PRINTER", "STATUS=Broken"}, 3, "STATUS: Broken is not one of Ready, Offline, Maintenance"},
        {{"alter", "PRINTER", "LASER1", "COPIES="}, 3, "node code 1018 (a value the node's rules refuse): COPIES"},
        {{"alter", "PRINTER", "LASER1", "LOCATION=BÂTIMENT é"}, 3, "LOCATION: must be in capitals"},
        {{"show", "PRINTER", "NOPE"}, 1, "node code 1004 (not found): PRINTER NOPE not found"},
        {{"define", "PRINTER", "NAME=LASER1"}, 1, "node code 1005"},
        {{"-n", "NOWHERE", "list", "PRINTER"}, 4, "node code 1001"},
        {{"--router", "NoSuchRouter", "list", "PRINTER"}, 4, "NoSuchRouter not found; tried "},
        {{"--data-dir", work_ + "/none", "list", "PRINTER"}, 4, "the data directory " + work_ + "/none does not exist"},
        {{"import", "PRINTER", "none.rdw"}, 2, "cannot read none.rdw: no such file"},
        {{"delete", "PRINTER", "LASER1"}, 3, "PRINTER LASER1: still referenced by QUEUE OFFICE"},
    };
    for (const Case &c : cases) {
        Result r = run(c.args);
        EXPECT_EQ(r.exit, c.exit) << c.args[0] << " " << c.args[1] << ": " << r.err;
        EXPECT_EQ(lines(r.err), 1u) << r.err;
        EXPECT_NE(r.err.find(c.text), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");

        // Asked for JSON, the same failure is one JSON object with the same exit code.
        if (c.args[0] == "-o") continue;
        std::vector<std::string> json = c.args;
        json.insert(json.begin(), {"-o", "json"});
        r = run(json);
        ASSERT_EQ(lines(r.err), 1u) << r.err;
        const auto line = nlohmann::json::parse(r.err);
        EXPECT_EQ(line["exit"], r.exit);
        EXPECT_NE(line["error"].get<std::string>(), "");
        if (line.contains("node_code")) {
            EXPECT_NE(line["node_meaning"], "") << r.err;
        }
    }
    EXPECT_EQ(sql("SELECT count(*) FROM PRINTER"), "5");  // nothing refused was stored
}

TEST_F(BadInput, MissingSetupIsExplainedByEnv)
{
    Result r = run({"env"});
    EXPECT_EQ(r.exit, 0) << r.out;
    EXPECT_NE(r.out.find("Nothing stops a request."), std::string::npos);
    EXPECT_NE(r.out.find("TarnRpdb       -> /"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  DEMONT                            answers  (" + node_db("DEMONT") + ")"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find(")\n                 SQLite 3."), std::string::npos)
        << "the node's engine, told by the router";
    r = run({"env", "-n", "NOWHERE", "-o", "csv"});
    EXPECT_EQ(r.exit, 4);
    EXPECT_NE(r.out.find("\r\nnode,DEMO,answers\r\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\r\nproblem,,node NOWHERE does not answer: node code 1001 (no such node)"),
              std::string::npos);

    r = run({"env"}, "", {"DEMO_ROUTER=on"});
    EXPECT_EQ(r.exit, 4);
    EXPECT_NE(r.out.find("DEMO_ROUTER=on is read as false: only 1, ON, YES and TRUE count"), std::string::npos);

    r = run({"env", "-o", "json"}, "", {"TARN_DATA_DIR=" + work_ + "/none", "TARN_NODE="});
    EXPECT_EQ(r.exit, 4);
    const auto problems = nlohmann::json::parse(r.out)["problems"];
    ASSERT_EQ(problems.size(), 2u) << r.out;
    EXPECT_NE(problems[0].get<std::string>().find("does not exist"), std::string::npos);
    EXPECT_NE(problems[1].get<std::string>().find("no node"), std::string::npos);

    r = run({"objects"}, "", {"TARN_DATA_DIR="});
    EXPECT_EQ(r.exit, 4);
    EXPECT_NE(r.err.find("registry"), std::string::npos);
    r = run({"list", "PRINTER"}, "", {"TARN_NODE="});
    EXPECT_EQ(r.exit, 2);
    EXPECT_NE(r.err.find("no node"), std::string::npos);
}

using Describe = TarnadmTest;

TEST_F(Describe, KindsAndFieldsInEitherLanguage)
{
    Result r = run({"objects", "-o", "csv"});
    EXPECT_EQ(r.out, "OBJECT\r\nPRINTER\r\nQUEUE\r\nWORKSTATION\r\nLOCALMAP\r\n");

    r = run({"describe", "PRINTER", "-o", "json"});
    ASSERT_EQ(r.exit, 0) << r.err;
    const auto fields = nlohmann::json::parse(r.out);
    ASSERT_EQ(fields.size(), 8u);
    EXPECT_EQ(fields[0]["NAME"], "NAME");
    EXPECT_EQ(fields[0]["KEY"], "yes");
    EXPECT_EQ(fields[1]["VALID_VALUES"], "Ready|Offline|Maintenance");
    EXPECT_EQ(fields[1]["REAL_VALUES"], "R|O|M");
    EXPECT_EQ(fields[1]["DEFAULT"], "Ready");
    EXPECT_EQ(fields[4]["TYPE"], "INT");
    EXPECT_EQ(fields[7]["FLAGS"], "PSEUDO");

    // The French registry line gives French labels and values.
    r = run({"--lang", "FRENCH", "show", "PRINTER", "LASER2"});
    EXPECT_NE(r.out.find("État:"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Hors ligne"), std::string::npos) << r.out;
}

using Groups = TarnadmTest;

TEST_F(Groups, MembersComeAndGo)
{
    Result r = run({"groups", "WORKSTATION", "-o", "csv", "--fields", "ID"});
    EXPECT_EQ(r.out, "ID\r\nLAB\r\nOFFICE\r\n");
    EXPECT_EQ(run({"add-member", "WORKSTATION", "LAB", "WS05"}).exit, 0);
    r = run({"members", "WORKSTATION", "LAB", "-o", "csv"});
    EXPECT_EQ(r.out, "GROUPID,MEMBER\r\nLAB,WS01\r\nLAB,WS02\r\nLAB,WS03\r\nLAB,WS05\r\n");
    EXPECT_EQ(sql("SELECT GROUPID FROM WORKSTATION WHERE ID = 'WS05'"), "LAB");
    EXPECT_EQ(run({"remove-member", "WORKSTATION", "LAB", "WS01"}).exit, 0);
    EXPECT_EQ(sql("SELECT ifnull(GROUPID, '-') FROM WORKSTATION WHERE ID = 'WS01'"), "-");
    r = run({"list", "WORKSTATION", "ID=WS0*", "--fields", "ID,GROUPID,OS", "-o", "csv"});
    EXPECT_EQ(parse_csv(r.out)[1], (std::vector<std::string>{"WS01", "", "Linux"}));
}

using Defaults = TarnadmTest;

// Defaults come from the configuration file, the environment goes over it
// and an option over both; a repeated option takes its last value.
TEST_F(Defaults, OptionsGoOverTheEnvironmentOverTheConfigFile)
{
    std::filesystem::create_directories(work_ + "/config/tarnadm");
    write_file(work_ + "/config/tarnadm/config", "# defaults\nnode = NOWHERE\n; and\noutput = \"csv\"\n");
    const std::vector<std::string> names = {"names", "PRINTER", "NAME=LASER1"};
    Result r = run(names, "", {"TARN_NODE="});
    EXPECT_EQ(r.exit, 4) << "the file's node";
    r = run(names);
    EXPECT_EQ(r.out, "NAME\r\nLASER1\r\n") << "the environment's node, the file's output form";
    r = run(names, "", {"TARN_OUTPUT=json"});
    EXPECT_EQ(r.out, "[\n  {\"NAME\":\"LASER1\"}\n]\n");
    r = run({"-o", "table", "names", "PRINTER", "NAME=LASER1"}, "", {"TARN_OUTPUT=json"});
    EXPECT_EQ(r.out, "Name\nLASER1\n");
    r = run({"-n", "NOWHERE", "-o", "json", "names", "PRINTER", "NAME=LASER1", "-n", "DEMO", "-o", "csv"});
    EXPECT_EQ(r.out, "NAME\r\nLASER1\r\n") << r.err;

    write_file(work_ + "/config/tarnadm/config", "node = DEMO\ncolour = red\n");
    r = run(names);
    EXPECT_EQ(r.exit, 2);
    EXPECT_NE(r.err.find("config/tarnadm/config:2: unknown key \"colour\""), std::string::npos) << r.err;
}

// validate, delete and the other commands that only confirm write a row or
// object in the output form asked for; -v traces.
TEST_F(Defaults, EveryCommandHonoursTheOutputForm)
{
    Result r = run({"validate", "PRINTER", "copies", "2", "-o", "csv"});
    EXPECT_EQ(r.out, "FIELD,VALUE,VALID\r\nCOPIES,2,TRUE\r\n");
    ASSERT_EQ(run({"define", "PRINTER", "NAME=P1"}).exit, 0);
    r = run({"delete", "PRINTER", "P1", "-o", "json"});
    EXPECT_EQ(nlohmann::json::parse(r.out)["MESSAGE"], "PRINTER P1 deleted") << r.out;
    r = run({"-v", "show", "PRINTER", "LASER1", "-o", "csv"});
    EXPECT_NE(r.err.find("DTS Action"), std::string::npos) << r.err;
}
