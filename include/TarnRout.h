/**
 * @file
 * TarnRout.h - return codes of TarnRout, the default router, and the
 * contract it keeps. TarnRout is the run-time module (libTarnRout.so, entry
 * router_client) that ZeRouteDtsAction loads when the info names no
 * ROUTEMODULE and DEMO_ROUTER is not true. Each node is a PostgreSQL
 * database reached through libpq. The commands, their messages and the
 * codes 1001 to 1010 are those both routers share (TarnRouter.h); this
 * header adds what a remote node brings.
 *
 * Node map. Node DESTNODE is the section [DESTNODE] of the node map
 * `<data dir>/nodes.conf` (data dir = ZeEnv(ZE_ENV_TARN_DATA_DIR)), written
 * in the format of libpq's connection service file: "#" comments, one
 * "[NODE]" line per node, then "keyword=value" lines with libpq connection
 * keywords (host, port, dbname, user, sslmode, options, ...). A node absent
 * from the map is tried as the libpq service of that name (the user's own
 * service file); otherwise it is refused with 1001 and a message naming the
 * map file. A map entry with a keyword libpq does not know, or with a
 * password, is refused with 1016 naming file and line: passwords come from
 * libpq's password file (PGPASSFILE, ~/.pgpass) or from a logon. Node names
 * follow the demo router's rule. The map is read when a node's connection
 * is opened.
 *
 * Nodes' databases are UTF8 with LC_CTYPE C.UTF-8, as tarnmknode --pg makes
 * them: upper() and lower() then fold as the demo router's SQLite nodes do.
 * Types: integer, smallint and bigint columns hold whole numbers, real,
 * double precision and numeric numbers, date dates and time times (see
 * TarnRouter.h); every other type is text. Each connection asks for dates
 * in ISO form (the option -c datestyle=ISO).
 *
 * Settings (environment table):
 *   KV_ROUTER_TIMEOUT  seconds (default 30, 0 = no limit) for connecting
 *                      (connect_timeout) and for each statement
 *                      (statement_timeout): a statement cut off answers 1013.
 *   KV_ROUTER_AGENTS   the most connections kept open per node, sessions
 *                      included (default 4, at least 1).
 *   KV_ROUTER_WAIT     seconds to wait before the one retry of a node that
 *                      could not be reached (default 1).
 *   KV_ROUTER_DEBUG    traces "TarnRout SQL: <statement>" for each statement
 *                      and "TarnRout: connecting to node <node> as <user>"
 *                      (values and passwords never appear).
 *
 * Logons are the node's own authentication. LOGON (`ID EQ <role>`,
 * `PASSWORD EQ <password>`) connects to the node as that role with that
 * password; the server checks it. The connection is the session of (USERNAME,
 * node) until LOGOFF closes it; a second LOGON replaces it. While it is open,
 * the local user's requests to the node run on it, so the node's grants decide what
 * the user may read or change; a refusal answers 1011 with the node's
 * message. The session is the process's: it serves every object of the
 * process whose requests go to the node for that local user, and it ends
 * with the process. A tool that keeps a logon across runs keeps the
 * credentials and logs on again in each run (tarnadm's session store).
 * Without a session, requests use the map's credentials: a node that
 * refuses them (wrong or missing password, unknown role) answers 1011
 * "Node <node> refuses the credentials of its map entry: <libpq's text>"
 * and is not tried again; a map connection made as a superuser is traced
 * "+++ TarnRout: node <node>: the node map connects as the superuser
 * <role>; requests without a logon may change anything". A refused
 * logon answers 1009 "Logon to <node> refused: unknown user or wrong
 * password" whatever the cause the server gives. VERIFY answers 0 when the
 * session is open and its connection alive, else 1010. The router keeps no
 * copy of the password, but libpq holds the one of an open session's
 * connection, to reconnect it, until LOGOFF closes that connection: a core
 * image of the process taken while a session is open may show it.
 *
 * Transactions and faults. Each table request is one transaction (READ
 * COMMITTED): a write runs between BEGIN and COMMIT; a read is one SELECT,
 * its own transaction. The columns of each table used are read from the
 * catalog once per connection and kept; they are read again after the
 * connection is reset, and when a statement names a table or column the
 * node no longer has (the request then runs once more on the table as it
 * is). A column added to a table shows on a new connection or after such a
 * change. A failure leaves no half-written row. A connection found
 * broken is opened anew: a read is sent again once, a write only when it
 * broke before any of it was sent. Concurrent changes of one item both
 * apply, one after the other (each ALTER sets only its columns); a
 * serialization failure or deadlock answers 1015 and changes nothing.
 * Requests from several threads of one process take turns (one runs at a
 * time), so a connection is never used by two threads at once.
 */
#ifndef TARNROUT_H
#define TARNROUT_H

#include "TarnRouter.h"

/** @name Return codes of router_client besides those of TarnRouter.h
 * @{ */
/** The node's grants refuse the request (its message follows), or the node
 * refuses the map's credentials. */
#define TARN_ROUT_RC_PERMISSION_DENIED TARN_ROUTER_RC_PERMISSION_DENIED
#define TARN_ROUT_RC_NODE_UNREACHABLE  1012u /**< the node cannot be reached: down, refusing, timed out connecting */
#define TARN_ROUT_RC_TIMEOUT           1013u /**< a statement ran past KV_ROUTER_TIMEOUT; nothing was changed */
/** The connection broke during a write: rolled back, not sent again (or,
 * during the commit, the outcome is unknown). */
#define TARN_ROUT_RC_CONNECTION_LOST   1014u
#define TARN_ROUT_RC_CONFLICT          1015u /**< a concurrent change won; nothing was changed */
#define TARN_ROUT_RC_BAD_NODE_MAP      1016u /**< the node's map entry is unusable (file and line in the message) */
#define TARN_ROUT_RC_TOO_MANY_SESSIONS 1017u /**< LOGON: KV_ROUTER_AGENTS sessions are open on the node */
/** @} */

#endif /* TARNROUT_H */
