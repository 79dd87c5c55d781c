// cli.cpp - the command line: the global options and one subcommand per row
// of the tables, help with the exit codes, and the run of one parsed command.
#include "cli.hpp"

#include "fleet.hpp"
#include "handlers.hpp"
#include "tarnsrvc_version.h"
#include "text.hpp"

#include <CLI/CLI.hpp>

namespace tarnadm {
namespace {

// The help's footer: the exit statuses of the one table, then the criteria.
std::string footer()
{
    std::string text = "Exit status:\n";
    for (const ExitRow &row : exit_table()) {
        const std::string code = std::to_string(row.exit);
        text += "  " + code + std::string(code.size() < 4 ? 4 - code.size() : 1, ' ') + row.text + "\n";
    }
    return text + R"(Criteria: FIELD=VALUE, FIELD!=VALUE, FIELD<VALUE, FIELD<=VALUE, FIELD>VALUE,
FIELD>=VALUE; '*' in a value is a pattern; --where "COLUMN EQ VALUE, ..." passes
the library's own criteria text. Defaults come from ~/.config/tarnadm/config
and the environment (TARN_NODE, TARN_DATA_DIR, TARN_ROUTER, TARN_USER,
TARN_OUTPUT, ...); options go over both. Without a command tarnadm starts its
shell.)";
}

void add_globals(CLI::App &app, Settings &s, std::string &format)
{
    // A repeated option takes its last value, as with most tools.
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    for (const GlobalOption &o : global_options()) {
        if (o.flag) {
            app.add_flag(o.names, s.*o.flag, o.help);
            continue;
        }
        // A value goes into its text, or (the output form) into `format`, parsed after the line.
        CLI::Option *option = app.add_option(o.names, o.text ? s.*o.text : format, o.help);
        if (o.traits & kChecked) option->check(CLI::IsMember(words_of(o.words), CLI::ignore_case));
    }
}

void add_commands(CLI::App &app, Command &c, Settings &s)
{
    for (const CommandRow &row : command_table()) {
        CLI::App *sub = app.add_subcommand(row.name, row.summary);
        sub->option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
        sub->fallthrough();
        sub->callback([&c, &row] { c.name = row.name; });
        if (row.traits & kHidden) sub->group("");
        for (const Argument &a : row.arguments) {
            CLI::Option *option =
                a.one ? sub->add_option(a.name, c.*a.one, a.help) : sub->add_option(a.name, c.args, a.help);
            if (a.required) option->required();
        }
        for (const CommandFlag &f : row.flags) sub->add_flag(f.names, s.*f.flag, f.help);
    }
}

// An option with an optional value alone ("--trace") takes its fallback
// ("--trace=stderr"); the value is never taken from the next word.
std::vector<std::string> normalized(const std::vector<std::string> &args)
{
    std::vector<std::string> out;
    for (const std::string &a : args) {
        out.push_back(a);
        for (const GlobalOption &o : global_options())
            if ((o.traits & kOptionalValue) && a == names_of(o.names).back()) out.back() = a + "=" + o.fallback;
    }
    return out;
}

bool takes_next_word(const std::string &arg)
{
    for (const GlobalOption &o : global_options())
        if (!o.flag && !(o.traits & kOptionalValue))
            for (const std::string &name : names_of(o.names))
                if (arg == name) return true;
    return false;
}

// The first word that is neither an option nor an option's value.
std::string first_word(const std::vector<std::string> &args)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i].empty() || args[i][0] != '-') return args[i];
        if (takes_next_word(args[i])) ++i;
    }
    return {};
}

// The output form given in `args`, read by hand: the options are not
// stored when parsing fails.
void find_format(const std::vector<std::string> &args, Settings &settings)
{
    for (const GlobalOption &o : global_options()) {
        if (!o.form) continue;
        for (const std::string &name : names_of(o.names)) {
            for (std::size_t i = 0; i + 1 < args.size(); ++i)
                if (args[i] == name) parse_format(args[i + 1], settings.*o.form);
            for (const std::string &a : args)
                if (a.rfind(name + "=", 0) == 0) parse_format(a.substr(name.size() + 1), settings.*o.form);
        }
    }
}

}  // namespace

int parse_arguments(const std::vector<std::string> &rawArgs, Settings &settings, Command &command, const Session *shell)
{
    CLI::App app("tarnadm: administer managed objects on any node through TarnSrvc", "tarnadm");
    app.set_version_flag("--version", std::string("tarnadm (TarnSrvc) ") + TARNSRVC_VERSION_STRING);
    app.footer(footer());
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
        find_format(args, settings);
        Session quiet(settings);
        const bool inShell = shell != nullptr;
        if (shell) quiet.scriptLine = shell->scriptLine;
        std::string what = e.what();
        const std::string word = first_word(args);
        const bool known = word.empty() || find_command(word);
        if (!known && command.name.empty() && what.find("not expected") != std::string::npos) {
            std::vector<std::string> names = listed_commands();
            if (inShell) names.insert(names.end(), {"use", "set", "help", "quit", "exit"});
            const std::string near = admcore::closest(word, names);
            what = "unknown command " + word + (near.empty() ? "" : " (did you mean " + near + "?)");
        }
        if (!inShell) what += " (tarnadm --help)";
        return quiet.usage(what);
    }
    if (!format.empty()) parse_format(format, settings.format);
    if (settings.verbose && settings.trace.empty()) settings.trace = "stderr";
    return -1;
}

int execute(Session &session, const Command &command)
{
    const CommandRow *row = find_command(command.name);
    if (!row) return session.usage("unknown command " + command.name);
    if (selects_many_nodes(session.settings)) {
        if (row->traits & kOnNodes) return run_on_nodes(session, command, *row);
        if (!(row->traits & kNoLogon))
            return session.usage(command.name + " works on one node at a time: give one --node");
    }
    const std::string &userId = session.settings.userId;
    if (userId.empty() || (row->traits & kNoLogon)) return row->handler(session, command);
    if (session.settings.node.empty()) return session.usage("--user-id needs a node (--node)");
    if (int exit = logon_user(session, session.settings.node, userId)) return exit;
    const int exit = row->handler(session, command);
    const int off = logoff_user(session, session.settings.node, userId);
    // The logon replaced any stored session this process had brought back.
    session.logons().forget(session.settings);
    return exit ? exit : off;
}

}  // namespace tarnadm
