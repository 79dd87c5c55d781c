/*
 * tool_options.h - the options every TarnSrvc program answers the same way:
 * --help prints the usage, --version the version of the headers the program
 * was built with; both to stdout, and the program then exits with 0.
 *
 *     if (tarn_tool_info(argc, argv, "tarnenv", usage_text)) return 0;
 */
#ifndef TARN_TOOL_OPTIONS_H
#define TARN_TOOL_OPTIONS_H

#include <stdio.h>
#include <string.h>

#include "tarnsrvc_version.h"

/* 1 when argv[1] is --help/-h or --version (and the answer was printed). */
static inline int tarn_tool_info(int argc, char **argv, const char *name, const char *usage)
{
    if (argc < 2) return 0;
    if (strcmp(argv[1], "--version") == 0) {
        printf("%s (TarnSrvc) %s\n", name, TARNSRVC_VERSION_STRING);
        return 1;
    }
    if (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0) {
        fputs(usage, stdout);
        return 1;
    }
    return 0;
}

#endif /* TARN_TOOL_OPTIONS_H */
