// main.cpp - tarnadm: one command from the command line, or the shell.
#include "cli.hpp"

#include <cstdio>

int main(int argc, char **argv)
{
    using namespace tarnadm;
    Settings settings;
    static_cast<admcore::Settings &>(settings) = admcore::settings_from_environment();
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
