// main.cpp - tarnweb: a web console and JSON API over TarnSrvc. Reads its
// options, prepares the library before any worker thread starts, serves
// until SIGTERM or SIGINT, then logs every session off.
#include "options.hpp"
#include "server.hpp"
#include "trace.hpp"

#include "tarnsrvc.h"

#include <pthread.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <thread>

int main(int argc, char **argv)
{
    using namespace tarnweb;
    Options options;
    if (admcore::Failure failure = read_defaults(options)) {
        std::fprintf(stderr, "tarnweb: %s\n", failure->what.c_str());
        return 2;
    }
    if (int exit = parse_command_line(std::vector<std::string>(argv + 1, argv + argc), options); exit >= 0) return exit;

    // The library reads its environment once, and its trace hook without a
    // lock: both are settled here, before the first worker starts.
    admcore::prepare_environment(options.settings);
    std::FILE *trace = nullptr;
    if (!options.trace.empty()) {
        unsetenv("TARN_TRACE");
        trace = options.trace == "stderr" ? stderr : std::fopen(options.trace.c_str(), "a");
        if (!trace) std::fprintf(stderr, "tarnweb: cannot open the trace file %s\n", options.trace.c_str());
    }
    admcore::install_trace_hook();
    admcore::trace_to(trace);
    if (admcore::data_dir().empty()) std::fprintf(stderr, "tarnweb: no data directory: give --data-dir\n");

    // SIGTERM and SIGINT are taken by one thread, which stops the server;
    // every other thread inherits the blocked set. A client that goes away
    // must not end the process.
    sigset_t stopping;
    sigemptyset(&stopping);
    sigaddset(&stopping, SIGTERM);
    sigaddset(&stopping, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopping, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    Console console(options);
    std::string error;
    const std::string url = console.bind(error);
    if (url.empty()) {
        std::fprintf(stderr, "tarnweb: %s\n", error.c_str());
        return 4;
    }
    if (!options.quiet) {
        std::printf("tarnweb: serving %s\n", url.c_str());
        std::fflush(stdout);
    }
    std::thread waiter([&console, stopping] {
        int signal = 0;
        sigwait(&stopping, &signal);
        console.stop();
    });
    console.run();
    // Stopped by a signal: the waiter has returned. Stopped otherwise: wake it.
    pthread_kill(waiter.native_handle(), SIGTERM);
    waiter.join();
    admcore::trace_to(nullptr);
    if (trace && trace != stderr) std::fclose(trace);
    return 0;
}
