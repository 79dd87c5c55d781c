// codes.hpp - the meaning of every documented library and demo-router code,
// and how tarnadm turns a failure into its exit status.
#pragma once

#include <string_view>

namespace tarnadm {

// Exit statuses, documented in --help and tarnadm(1).
enum Exit : int {
    kExitOk = 0,
    kExitRefused = 1,      // not found, or refused by the node
    kExitUsage = 2,        // bad command line or input
    kExitInvalid = 3,      // a value refused by validation
    kExitUnreachable = 4,  // the node, the router or a module cannot be reached
    kExitInternal = 5,     // anything else
    kExitInterrupted = 130,
};

// What a library code means, by the family that returned it; "" when the
// code is not documented for that family.
enum class Family { Object, Validate, Filter, Records, Logon };
std::string_view library_code_meaning(unsigned code, Family family = Family::Object);

// What a demo-router code means ("" when unknown).
std::string_view router_code_meaning(unsigned code);

// Exit status of a library code, and of the router code carried by code 1.
int exit_for(unsigned code, unsigned routerCode);

}  // namespace tarnadm
