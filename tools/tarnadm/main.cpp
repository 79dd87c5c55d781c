// main.cpp - tarnadm: one command from the command line, or the shell.
#include "cli.hpp"

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    using namespace tarnadm;
    Settings settings;
    if (const char *node = std::getenv("TARN_NODE")) settings.node = node;
    Command command;
    const std::vector<std::string> args(argv + 1, argv + argc);
    const int parsed = parse_arguments(args, settings, command);
    if (parsed >= 0) return parsed;

    Session::prepare_environment(settings);
    Session session(settings);
    session.apply_trace();
    const int exit = command.name.empty() || command.name == "shell" ? run_shell(session) : execute(session, command);
    std::fflush(stdout);
    if (std::ferror(stdout)) return exit ? exit : kExitInternal;
    return exit;
}
