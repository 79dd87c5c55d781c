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
 * keywords (host, port, dbname, user, sslmode, sslrootcert,
 * target_session_attrs, options, ...). A node absent from the map is tried
 * as the libpq service of that name (the user's own service file);
 * otherwise it is refused with 1001 and a message naming the map file.
 * The map is read whole whenever a connection is opened, and read
 * strictly: a node's section given twice, a keyword given twice in one
 * section, a line that is neither, a NUL byte, a keyword libpq does not
 * know, a password or a service refuse every request with 1016, naming
 * file, line and reason. Passwords come from libpq's password file
 * (PGPASSFILE, ~/.pgpass) or from a logon. Node names follow the demo
 * router's rule.
 *
 * One keyword is the router's own: tarn_pool_mode=session or
 * tarn_pool_mode=transaction says the node is reached through a connection
 * pooler (PgBouncer) in that pool mode. The router then sends no
 * connection options (a pooler refuses them) and assumes nothing of the
 * server connection from one transaction to the next: every request, reads
 * included, runs in a transaction that first sets its time limits and date
 * style (SET LOCAL), at the cost of two more round trips for a read. In
 * transaction mode LOGON is refused (1022): a session needs a server
 * connection of its own.
 *
 * Remote nodes, TLS and failover are libpq's: sslmode=verify-full with
 * sslrootcert (and sslcert/sslkey where the server asks for a client
 * certificate) checks the server's certificate and host name; a host list
 * (host=a,b port=5432,5433) with target_session_attrs=read-write reaches
 * whichever of them is the primary, so after a standby is promoted the next
 * connection finds it. target_session_attrs=prefer-standby sends requests
 * to a standby while one answers: reads then see the standby's (slightly
 * late) copy, and writes fail there with 1006 ("read-only transaction"),
 * so such an entry suits reading nodes only. A connection to a host outside
 * this machine (neither a Unix socket, localhost nor a loopback address;
 * an address given by hostaddr counts over the name) whose sslmode is
 * weaker than verify-full is traced, whether it is made or not, as
 * "+++ TarnRout: node <node>: sslmode=<mode> to <host>, a host outside
 * this machine: <what is not checked> (use sslmode=verify-full)". STATUS
 * (TarnRouter.h) answers every key: version, role, tls, tls_protocol (with
 * TLS), sslmode, host, port and user; through a pooler, host, port, tls
 * and sslmode are those of the link to the pooler. TCP keepalives are on
 * (keepalives_idle=30, keepalives_interval=10, keepalives_count=3, unless
 * the map sets them), so a remote node that vanished is noticed within
 * about a minute.
 *
 * Nodes' databases are UTF8 with LC_CTYPE C.UTF-8, as tarnmknode --pg makes
 * them: upper() and lower() then fold as the demo router's SQLite nodes do.
 * Types: integer, smallint and bigint columns hold whole numbers, real,
 * double precision and numeric numbers, date dates and time times (see
 * TarnRouter.h); every other type is text. Each connection asks for dates
 * in ISO form.
 *
 * Settings (environment table):
 *   KV_ROUTER_TIMEOUT  seconds (default 30, 0 = no limit) for connecting
 *                      (connect_timeout), for each statement
 *                      (statement_timeout: a statement cut off answers
 *                      1013) and each lock wait (lock_timeout, 1013 too),
 *                      and for a request waiting for a free connection
 *                      (1017). The limits are options of every connection
 *                      the router opens, so that one reset after a failure,
 *                      a session's included, or opened on the next host of
 *                      a failover has them as well.
 *   KV_ROUTER_AGENTS   the most connections open per node, the map's and
 *                      the sessions together (default 4, at least 1).
 *                      Sessions take at most KV_ROUTER_AGENTS - 1 (1017
 *                      for one more LOGON), so that requests without a
 *                      session always have one.
 *   KV_ROUTER_WAIT     seconds to wait before the one retry of a node that
 *                      could not be reached (default 1).
 *   KV_ROUTER_DEBUG    traces "TarnRout SQL: <statement>" for each statement
 *                      and "TarnRout: connecting to node <node> as <user>"
 *                      (values and passwords never appear).
 * A map connection unused for 5 minutes is closed; a session's stays open
 * until LOGOFF.
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
 * <role>; requests without a logon may change anything". A logon the
 * server refuses for its role or password answers 1009 "Logon to <node>
 * refused: unknown user or wrong password", whatever the cause the server
 * gives; one that fails for another cause answers that cause's code (1012,
 * 1016 for a database the map names that does not exist, 1020). A session
 * whose connection broke is reset on its next request; when the server no
 * longer accepts its password (expired, changed) that request answers
 * 1021. VERIFY answers 0 when the session is open and its connection
 * alive, else 1010. The router keeps no copy of the password, but libpq
 * holds the one of an open session's connection, to reconnect it, until
 * LOGOFF closes that connection: a core image of the process taken while a
 * session is open may show it.
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
 * broke before any of it was sent. A write whose connection broke before
 * its commit answers 1014 (rolled back by the server); one whose connection
 * broke while the commit was on its way answers 1019 (TarnRouter.h): the
 * node may hold the change. Concurrent changes of one item both apply, one
 * after the other (each ALTER sets only its columns); a serialization
 * failure or deadlock answers 1015 and changes nothing.
 *
 * Connection failures are told by their cause, read from libpq's text
 * (English; a text in another language is reported as 1012 with the text):
 * unreachable or refused by the server (1012), TLS (1020), a session's
 * credentials no longer accepted (1021; 1009 for a LOGON, 1011 for the
 * map's), a database missing behind a map entry (1016).
 *
 * Threads. Requests from several threads run at once: each takes one of
 * its node's connections for itself while it runs (its local user's
 * session, or a free map connection, opened when none is free), so a
 * connection is never used by two threads at once. Requests of one local
 * user on one node that has a session take turns on it. A request made
 * from inside the answer of another on the same thread, that needs the
 * connection the outer one holds, is refused with 1017 rather than
 * waiting for itself. A child process made by fork() starts with no
 * connection: it never uses, nor closes, its parent's.
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
/** The connection broke during a write, before its commit: the server
 * rolled it back, and it is not sent again (broken during the commit: 1019). */
#define TARN_ROUT_RC_CONNECTION_LOST 1014u
#define TARN_ROUT_RC_CONFLICT        1015u /**< a concurrent change won; nothing was changed */
/** The node map is damaged (file, line and reason in the message), or the
 * database a node's entry names does not exist on its server. */
#define TARN_ROUT_RC_BAD_NODE_MAP 1016u
/** KV_ROUTER_AGENTS connections to the node are open and none became free
 * within KV_ROUTER_TIMEOUT (a LOGON: the sessions' share is taken), or the
 * connection a request needs is held by a request of the same thread that
 * has not ended; nothing was sent. */
#define TARN_ROUT_RC_TOO_MANY_SESSIONS 1017u
/** No TLS connection could be made: the server's certificate was refused
 * (another CA, another host name, expired), the server asked for a client
 * certificate that was not given, or TLS is required and the server has none. */
#define TARN_ROUT_RC_TLS_FAILED 1020u
/** The node no longer accepts a session's credentials: its password
 * expired or was changed (log on again). */
#define TARN_ROUT_RC_CREDENTIALS_REFUSED 1021u
/** LOGON to a node mapped through a pooler in transaction mode
 * (tarn_pool_mode=transaction): a session needs a server connection of its
 * own, which such a pooler does not keep. */
#define TARN_ROUT_RC_POOLED_SESSION 1022u
/** @} */

#endif /* TARNROUT_H */
