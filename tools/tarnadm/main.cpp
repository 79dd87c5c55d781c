// main.cpp - tarnadm: one command from the command line, or the shell. The
// settings start from the configuration file and the environment; the
// command line's options go over them.
#include "cli.hpp"
#include "handlers.hpp"

#include <cstdio>

int main(int argc, char **argv)
{
    using namespace tarnadm;
    // Out of /proc/<pid>/environ at once; kept in a wiped buffer until a logon needs it.
    take_environment_password();
    Result<Settings> defaults = default_settings();
    if (!defaults) return Session(Settings()).report(defaults.problem());
    Settings settings = std::move(*defaults);
    Command command;
    const std::vector<std::string> args(argv + 1, argv + argc);
    const int parsed = parse_arguments(args, settings, command);
    if (parsed >= 0) return parsed;
    if (command.name.empty()) command.name = "shell";

    Session::prepare_environment(settings);
    Session session(settings);
    session.apply_trace();
    const int exit = execute(session, command);
    std::fflush(stdout);
    if (std::ferror(stdout)) return exit ? exit : kExitInternal;
    return exit;
}
