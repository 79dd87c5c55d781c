// cli.cpp - the command line: global options, one subcommand per command,
// help with the exit codes, and the run of one parsed command.
#include "cli.hpp"

#include "tarnsrvc_version.h"

#include <CLI/CLI.hpp>

#include <cstdlib>

namespace tarnadm {
namespace {

constexpr const char *kFooter = R"(Exit status:
  0  success
  1  not found, or refused by the node
  2  usage: bad command, option, object kind, field or criteria
  3  a value refused by validation
  4  cannot reach the node or load a module (see tarnadm env)
  5  internal failure
  130 interrupted (import stops between two records)
Criteria: FIELD=VALUE, FIELD!=VALUE, FIELD<VALUE, FIELD<=VALUE, FIELD>VALUE,
FIELD>=VALUE; '*' in a value is a pattern; --where "COLUMN EQ VALUE, ..." passes
the library's own criteria text. Without a command tarnadm starts its shell.)";

void add_globals(CLI::App &app, Settings &s, std::string &format)
{
    app.add_option("-n,--node", s.node, "destination node (default: $TARN_NODE)");
    app.add_option("-u,--user", s.user, "local user the requests are made for (default: this process's user)");
    app.add_option("--user-id", s.userId, "log on to the node as this user before the command, off after it");
    app.add_option("--password-file", s.passwordFile, "read the logon password from the first line of this file");
    app.add_option("--data-dir", s.dataDir, "data directory (sets TARN_DATA_DIR)");
    app.add_option("--router", s.router, "demo (TarnRpdb), remote (the default router) or a router module name");
    app.add_option("--lang", s.lang, "LANGUAGE of the object creation filter (e.g. AMENG, FRENCH)");
    app.add_option("-o,--output", format, "table, csv or json")
        ->check(CLI::IsMember({"table", "csv", "json"}, CLI::ignore_case));
    app.add_option("--fields", s.fields, "fields to show, e.g. NAME,STATUS");
    app.add_option("--where", s.where, "criteria in the library's own text: \"COLUMN EQ VALUE, ...\"");
    app.add_option("--trace", s.trace, "library trace to stderr (--trace) or a file (--trace=FILE)");
    app.add_flag("-q,--quiet", s.quiet, "no progress and no confirmations");
    app.add_flag("--wide", s.wide, "do not cut table rows to the terminal width");
}

CLI::App *command(CLI::App &app, Command &c, const char *name, const char *description)
{
    CLI::App *sub = app.add_subcommand(name, description);
    sub->fallthrough();
    sub->callback([&c, name] { c.name = name; });
    return sub;
}

void add_commands(CLI::App &app, Command &c, Settings &s)
{
    auto kind = [&c](CLI::App *sub) { sub->add_option("OBJECT", c.kind, "object kind (tarnadm objects)")->required(); };
    CLI::App *sub = command(app, c, "list", "list the items that match the criteria");
    kind(sub), sub->add_option("CRITERIA", c.args, "FIELD=VALUE, FIELD!=VALUE, FIELD<VALUE, ...");
    sub = command(app, c, "show", "show one item");
    kind(sub), sub->add_option("KEY", c.key, "the item's key")->required();
    sub = command(app, c, "define", "define a new item");
    kind(sub), sub->add_option("FIELD=VALUE", c.args, "values of the new item")->required();
    sub = command(app, c, "alter", "change fields of an item");
    kind(sub), sub->add_option("KEY", c.key)->required(), sub->add_option("FIELD=VALUE", c.args)->required();
    sub = command(app, c, "copy", "copy an item under a new key");
    kind(sub), sub->add_option("KEY", c.key)->required(), sub->add_option("NEWKEY", c.newKey)->required();
    sub->add_option("FIELD=VALUE", c.args, "changes of the copy");
    sub = command(app, c, "rename", "give an item a new key");
    kind(sub), sub->add_option("KEY", c.key)->required(), sub->add_option("NEWKEY", c.newKey)->required();
    sub = command(app, c, "delete", "delete an item by key, or the items matching criteria");
    kind(sub), sub->add_option("KEY|CRITERIA", c.args);
    sub->add_flag("-y,--yes", s.yes, "delete more than one item");
    sub = command(app, c, "names", "list the keys of the items that match the criteria");
    kind(sub), sub->add_option("CRITERIA", c.args);
    sub = command(app, c, "validate", "check a value for a field, sending nothing");
    kind(sub), sub->add_option("FIELD", c.field)->required(), sub->add_option("VALUE", c.value)->required();
    sub = command(app, c, "describe", "the fields of an object kind");
    kind(sub);
    sub = command(app, c, "groups", "list the groups of an object kind with groups");
    kind(sub);
    sub = command(app, c, "members", "list the members of a group");
    kind(sub), sub->add_option("GROUP", c.group)->required();
    sub = command(app, c, "add-member", "put a member into a group");
    kind(sub), sub->add_option("GROUP", c.group)->required(), sub->add_option("MEMBER", c.member)->required();
    sub = command(app, c, "remove-member", "take a member out of its group");
    kind(sub), sub->add_option("GROUP", c.group)->required(), sub->add_option("MEMBER", c.member)->required();
    sub = command(app, c, "export", "write the selected items to a record file");
    kind(sub), sub->add_option("FILE", c.file)->required(), sub->add_option("CRITERIA", c.args);
    sub = command(app, c, "import", "define one item per record of a record file");
    kind(sub), sub->add_option("FILE", c.file)->required();
    sub->add_flag("--stop-on-error", s.stopOnError, "stop at the first record the node refuses");
    command(app, c, "objects", "the object kinds of the registry");
    command(app, c, "env", "the environment, where modules are found, and what would stop a request");
    sub = command(app, c, "logon", "log on to a node (password from --password-file, TARN_PASSWORD or a prompt)");
    sub->add_option("NODE", c.node)->required(), sub->add_option("USERID", c.userId)->required();
    sub = command(app, c, "logoff", "log off from a node");
    sub->add_option("NODE", c.node)->required(), sub->add_option("USERID", c.userId, "default: --user-id");
    command(app, c, "shell", "the interactive shell (also: no command)");
    sub = command(app, c, "completion", "print a shell completion script");
    sub->add_option("SHELL", c.shell, "bash")->required();
    for (const char *hidden : {"__kinds", "__fields", "__keys"}) {
        sub = command(app, c, hidden, "");
        sub->group("");
        sub->add_option("OBJECT", c.kind);
    }
}

// "--trace" alone means stderr; the value is never taken from the next word.
std::vector<std::string> normalized(const std::vector<std::string> &args)
{
    std::vector<std::string> out;
    for (const std::string &a : args) out.push_back(a == "--trace" ? "--trace=stderr" : a);
    return out;
}

// The first word that is neither an option nor an option's value.
std::string first_word(const std::vector<std::string> &args)
{
    static const std::vector<std::string> valued = {
        "-n",       "--node", "-u", "--user",   "--user-id", "--password-file", "--data-dir",
        "--router", "--lang", "-o", "--output", "--fields",  "--where"};
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i].empty() || args[i][0] != '-') return args[i];
        for (const std::string &v : valued)
            if (args[i] == v) ++i;
    }
    return {};
}

}  // namespace

int parse_arguments(const std::vector<std::string> &rawArgs, Settings &settings, Command &command)
{
    CLI::App app("tarnadm: administer managed objects on any node through TarnSrvc", "tarnadm");
    app.set_version_flag("--version", std::string("tarnadm (TarnSrvc) ") + TARNSRVC_VERSION_STRING);
    app.footer(kFooter);
    app.require_subcommand(0, 1);
    std::string format;
    add_globals(app, settings, format);
    add_commands(app, command, settings);

    const std::vector<std::string> args = normalized(rawArgs);
    std::vector<const char *> argv = {"tarnadm"};
    for (const std::string &a : args) argv.push_back(a.c_str());
    try {
        app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::CallForHelp &e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp &e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion &e) {
        return app.exit(e);
    } catch (const CLI::ParseError &e) {
        // The options are not stored when parsing fails: find -o for the error line's form.
        for (std::size_t i = 0; i + 1 < args.size(); ++i)
            if (args[i] == "-o" || args[i] == "--output") parse_format(args[i + 1], settings.format);
        for (const std::string &a : args)
            if (a.rfind("--output=", 0) == 0) parse_format(a.substr(9), settings.format);
        Session quiet(settings);
        std::string what = e.what();
        const std::string word = first_word(args);
        bool known = word.empty() || word.rfind("__", 0) == 0;
        for (const std::string &n : command_names()) known = known || n == word;
        if (!known && command.name.empty() && what.find("not expected") != std::string::npos)
            what = "unknown command " + word;
        return quiet.usage(what + " (tarnadm --help)");
    }
    if (!format.empty()) parse_format(format, settings.format);
    return -1;
}

int execute(Session &session, const Command &command)
{
    const std::string &userId = session.settings.userId;
    const bool logs = !userId.empty() && command.name != "logon" && command.name != "logoff";
    if (command.name == "logoff" && command.userId.empty()) {
        Command withId = command;
        withId.userId = userId;
        return run_command(session, withId);
    }
    if (!logs) return run_command(session, command);
    if (session.settings.node.empty()) return session.usage("--user-id needs a node (--node)");
    if (int exit = logon_command(session, session.settings.node, userId)) return exit;
    const int exit = run_command(session, command);
    const int off = logoff_command(session, session.settings.node, userId);
    return exit ? exit : off;
}

}  // namespace tarnadm
