// The command table seen from outside: --help, the bash completion script
// and the manual page offer the same commands, each with the arguments the
// command line takes, and the script completes each argument from the node.
#include "tarnadm_run.hpp"

#include <sstream>

namespace {

// A man page macro line as it reads: ".BI "list " OBJECT" -> "list OBJECT".
std::string as_read(const std::string &line)
{
    std::vector<std::string> args;
    std::string arg;
    bool quoted = false, inArg = false;
    for (char c : line.substr(line.find(' ') + 1)) {
        if (c == '"') {
            quoted = !quoted;
            inArg = true;
        } else if (c == ' ' && !quoted) {
            if (inArg) args.push_back(arg);
            arg.clear();
            inArg = false;
        } else {
            arg += c;
            inArg = true;
        }
    }
    if (inArg) args.push_back(arg);
    const bool alternating = line.find(' ') == 3;  // .BI, .BR, .IR, ...: the arguments run together
    std::string text;
    for (const std::string &a : args) text += (text.empty() || alternating ? "" : " ") + a;
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "\\f") == 0) i += 2;  // a font change: \fB, \fI, \fR, \fP
        else if (text.compare(i, 2, "\\-") == 0) out += '-', ++i;
        else out += text[i];
    }
    return out;
}

// The first line of each entry of a man page section: "list OBJECT [CRITERIA...]".
std::vector<std::string> section_entries(const std::string &page, const std::string &section)
{
    std::vector<std::string> entries;
    std::istringstream in(page.substr(page.find(".SH " + section)));
    std::string line;
    std::getline(in, line);
    for (bool entry = false; std::getline(in, line) && line.rfind(".SH", 0) != 0;) {
        if (entry) entries.push_back(as_read(line));
        entry = line == ".TP" || line == ".TQ";
    }
    return entries;
}

}  // namespace

class CommandTable : public TarnadmTest {
protected:
    // What the completion script offers for the words of a command line, the
    // last one being the word under the cursor.
    Words completions(const std::vector<std::string> &line)
    {
        if (script_.empty()) {
            script_ = work_ + "/tarnadm.bash";
            write_file(script_, run({"completion", "bash"}).out);
        }
        std::vector<std::string> args = {"-c",
                                         "source \"$0\"; COMP_WORDS=(tarnadm \"$@\"); COMP_CWORD=$#; _tarnadm; "
                                         "printf '%s\\n' \"${COMPREPLY[@]}\"",
                                         script_};
        args.insert(args.end(), line.begin(), line.end());
        const std::string bin = TARNADM_BIN;
        const Result r =
            run_program("/bin/bash", args, "", {"PATH=" + bin.substr(0, bin.rfind('/')) + ":/usr/bin:/bin"});
        EXPECT_EQ(r.exit, 0) << r.err;
        Words words;
        std::istringstream in(r.out);
        for (std::string w; std::getline(in, w);)
            if (!w.empty()) words.insert(w);
        return words;
    }

    std::string script_;
};

TEST_F(CommandTable, HelpCompletionAndManualOfferTheSameCommands)
{
    const Result help = run({"--help"});
    const Words commands = listed_commands(help.out);
    ASSERT_GE(commands.size(), 20u) << help.out;
    EXPECT_EQ(completions({""}), commands);
    EXPECT_EQ(completions({"-n", "DEMO", "re"}), (Words{"rename", "remove-member"}));

    // The manual has one entry per command, with the arguments its --help shows.
    const std::string page = read_file(TARNADM_MAN);
    Words documented;
    for (const std::string &entry : section_entries(page, "COMMANDS")) documented.insert(entry);
    for (const std::string &name : commands) {
        std::string usage = run({name, "--help"}).out;
        usage = usage.substr(usage.find("Usage: tarnadm ") + 15);
        usage = usage.substr(0, usage.find('\n'));
        usage.erase(usage.find("[OPTIONS]") - 1, 10);
        EXPECT_EQ(documented.count(usage), 1u) << usage;
    }
    EXPECT_EQ(documented.size(), commands.size());

    // Every global option of --help is documented and completed.
    const std::string options = page.substr(page.find(".SH GLOBAL OPTIONS"), page.find(".SH COMMANDS"));
    const Words completed = completions({"--"});
    std::istringstream lines(help.out.substr(0, help.out.find("Subcommands:")));
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("  -", 0) != 0) continue;  // options start their lines: "  -n,--node TEXT"
        std::istringstream names(line.substr(2, line.find(' ', 2) - 2));
        for (std::string name; std::getline(names, name, ',');) {
            if (name.rfind("--", 0) != 0) continue;
            std::string escaped;
            for (char c : name) escaped += c == '-' ? std::string("\\-") : std::string(1, c);
            EXPECT_NE(options.find(escaped), std::string::npos) << name;
            EXPECT_EQ(completed.count(name), 1u) << name;
        }
    }
}

TEST_F(CommandTable, CompletionScriptCompletesEachArgument)
{
    const std::vector<std::pair<std::vector<std::string>, Words>> cases = {
        {{"list", "PRI"}, {"PRINTER"}},
        {{"-n", "DEMO", "show", "PRINTER", "LAS"}, {"LASER1", "LASER2"}},
        {{"delete", "PRINTER", "LASER1", "STA"}, {"STATUS="}},
        {{"list", "PRINTER", "NAME=X", "LOC"}, {"LOCATION="}},
        {{"validate", "PRINTER", "COP"}, {"COPIES"}},
        {{"validate", "PRINTER", "COPIES", ""}, {}},
        {{"--router", "demo", "completion", ""}, {"bash"}},
        {{"objects", ""}, {}},
        {{"-o", ""}, {"table", "csv", "json"}},
        {{"--router", "de"}, {"demo"}},
        {{"import", "PRINTER", "--stop"}, {"--stop-on-error"}},
        {{"define", "PRINTER", "NAME=P1", "+", "COP"}, {"COPIES="}},
        {{"delete", "PRINTER", "--at"}, {"--atomic"}},
    };
    for (const auto &[line, expected] : cases) EXPECT_EQ(completions(line), expected) << line[0] << " " << line[1];

    // The node given on the line is the one asked for keys.
    EXPECT_EQ(completions({"-n", "NOWHERE", "show", "PRINTER", "LAS"}), Words{});
}
