// logon.hpp - a node user's logon and logoff for a local user. The library
// tells why a logon failed only in its trace; these read the node's code and
// message from the calling thread's trace lines.
#pragma once

#include "problem.hpp"

#include <string>

namespace admcore {

// ZeLogonUser: logs `userId` on to `node` with `password` for the local
// user `localUser` ("" for this process's user). The password goes no
// further than the library's call.
Failure logon(const std::string &node, const std::string &userId, const std::string &password,
              const std::string &localUser);

// ZeLogoffUser: ends that logon.
Failure logoff(const std::string &node, const std::string &userId, const std::string &localUser);

}  // namespace admcore
