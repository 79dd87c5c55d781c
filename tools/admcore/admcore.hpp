// admcore.hpp - the tools' shared core over the public C interface: what
// tarnadm offers on the command line, free of any command line, for every
// tool that administers objects (a web console, a script host).
//
//   settings.hpp  where requests go (data directory, router, node, user,
//                 language), the registry's kinds, the setup's problems
//   kinds.hpp     objects opened by kind and routed to a node for a user,
//                 their fields and field descriptions
//   criteria.hpp  FIELD=VALUE, FIELD>VALUE, ... into filters; the key filter
//   items.hpp     validate, show, define, alter, copy, rename, delete, list
//                 and name items, group membership, an item as JSON
//   batch.hpp     many items defined, altered or deleted as batches, each
//                 with its own outcome; best effort or all or nothing
//   records.hpp   export and import of record files
//   problem.hpp   Problem, Result<T> and Failure; library and router codes
//                 and their meanings
//   trace.hpp     the library's trace lines: the tool's file, and each
//                 thread's own lines captured
//   text.hpp      names compared without regard to case, trimming, the
//                 closest name to a mistyped one
//   config.hpp    a tool's configuration file and environment defaults
//   sessions.hpp  the session store: node sessions kept between runs
//   logons.hpp    logon and logoff, stored sessions brought back before a
//                 request; secret.hpp: passwords in wiped buffers
//   nodes.hpp     the nodes of the router's map, and a check of each
//   manifest.hpp  the manifest beside an exported record file
//
// Nothing here prints, reads a terminal or exits: operations return a value
// or a Problem, and each tool shows them in its own form. A Kinds, a Logons
// and their objects serve one thread at a time; several threads may each
// use their own (validations take turns; install the trace hook before
// they start). It uses only the public headers (tarnsrvc.h, TarnRouter.h,
// TarnRout.h) and links libTarnSrvc.
#pragma once

#include "batch.hpp"
#include "config.hpp"
#include "criteria.hpp"
#include "items.hpp"
#include "kinds.hpp"
#include "logons.hpp"
#include "manifest.hpp"
#include "nodes.hpp"
#include "problem.hpp"
#include "records.hpp"
#include "sessions.hpp"
#include "settings.hpp"
#include "trace.hpp"
