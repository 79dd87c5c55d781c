/**
 * @file
 * TarnRpdb.h - TarnRpdb, the demo router, and what its SQLite nodes bring
 * to the routers' contract (TarnRouter.h). TarnRpdb is the run-time module
 * (libTarnRpdb.so, entry router_client) that ZeRouteDtsAction loads when
 * DEMO_ROUTER is true: it carries out requests on SQLite databases on the
 * local machine instead of sending them over the network. Its commands,
 * messages and codes are those of TarnRouter.h, carried out by the command
 * core that the default router TarnRout (TarnRout.h) shares.
 *
 * Nodes. Node DESTNODE is the database file `<data dir>/nodes/<DESTNODE>.db`,
 * where the data directory is ZeEnv(ZE_ENV_TARN_DATA_DIR). A node name is 1
 * to 64 characters of A-Z a-z 0-9 _ . - and does not start with '.'; names
 * are case-sensitive, as file names are. The router never creates a node:
 * the tool tarnmknode does (`tarnmknode <data dir> <node> [sql files]`).
 * Requests from several threads of one process run at once, each on a
 * connection of its node that it holds alone: a free one, else one opened
 * for it. Connections are kept, with the statements prepared on them, for
 * the next requests, and closed after 5 minutes unused; a node file
 * replaced meanwhile is seen only by connections opened after.
 * KV_ROUTER_TIMEOUT (seconds, default 5) bounds the wait for a node that
 * another connection holds locked.
 *
 * Load. The router is meant for one machine: a handful of administration
 * processes (tested with eight) writing to the same node at a sustained
 * rate of about a thousand small writes a second in all. Nodes are put in
 * write-ahead-log mode on first open, so readers and the writer do not block
 * each other; writers take the node in turn, each waiting in naps of one to
 * two milliseconds (five to ten once it has waited 50 ms, so that waiters
 * waking do not keep a busy machine from the holder) so that no writer
 * starves; tested with eight writers while the cores run three times as
 * many busy processes. A write is refused only after KV_ROUTER_TIMEOUT
 * seconds without a turn: 1006 "<command> on <object> failed on node
 * <node>: another process held the node's lock; waited <seconds> s for it
 * (KV_ROUTER_TIMEOUT): database is locked", nothing changed. In
 * write-ahead-log mode a node file has companion files `<node>.db-wal` and
 * `<node>.db-shm` while it is in use: copy a node only when no process has
 * it open. It is not meant for many machines
 * sharing a node over a network file system (SQLite's locking does not hold
 * there).
 *
 * Object kinds, request fields, values, commands and answers are those of
 * TarnRouter.h. On these nodes SQLite's own sqlite_ tables are no object
 * kinds. A column declared INTEGER or INT holds whole numbers, REAL
 * numbers; a DATE or TIME row of TARN_RULES marks a TEXT column as holding
 * dates or times. Each connection has its own upper() and lower(): they
 * fold every letter of Unicode as glibc does in the locale C.UTF-8 (the
 * LC_CTYPE of a PostgreSQL node, TarnRout.h), not ASCII letters alone as
 * SQLite's own do, so a CHECK such as X = upper(X) refuses here what it
 * refuses on a PostgreSQL node. A CHECK names its constraint in SQLite's
 * message only when the constraint has a name (CONSTRAINT name CHECK ...).
 *
 * STATUS (TarnRouter.h) answers the key version alone ("SQLite 3.40.1"):
 * a demo node is a file of this machine, with no TLS and no standby.
 *
 * Logons. LOGON, LOGOFF and VERIFY name no table (the info's OBJECT, which
 * ZeLogon sets to STARLOGON or STARLOGOFF, is not read). They work on two
 * tables of the node (data/logon.sql): USERS (USER_ID, SALT, HASH,
 * ITERATIONS, ACCESS) and SESSIONS (LOCAL_USER, USER_ID, STARTED), keyed by
 * the info's USERNAME (the local user) and the user id; a node without them
 * answers 1002. Sessions live on the node: one made by one process holds
 * for every process of the same local user until LOGOFF. A local user has
 * at most one session per node. While it is open, a table request of that
 * local user that writes (DEFINE, ALTER, COPY, RENAME, DELETE) is refused
 * with 1011 "<COMMAND> on <OBJECT> refused by node <node>: user <id> may
 * only read" when the session's user has ACCESS READ; reads always run.
 * Without a session, requests run with the node's full access (the demo
 * router has no node map and no credentials of its own). USERS and
 * SESSIONS are never object kinds (1002), so no table command reads or
 * writes them. Request fields: `ID EQ <user id>`, and for LOGON
 * `PASSWORD EQ <password>`, each exactly once; any other field or
 * operator is a bad request (1003). User ids compare exactly (case counts).
 *   LOGON   checks the password against the user's record: a PBKDF2-HMAC-
 *           SHA256 hash of it with the user's random 16-byte salt and
 *           iteration count, compared in constant time. An unknown user is
 *           checked against a dummy record of the same cost, and both get
 *           1009 with "Logon to <node> refused: unknown user or wrong
 *           password". On success the session (USERNAME, ID) is opened,
 *           replacing any other session of USERNAME on the node (as a new
 *           logon replaces the session's connection on TarnRout): "User
 *           <id> logged on to <node>". The user is read before the session
 *           is written, so the slow check holds no lock on the node.
 *   LOGOFF  ends the session: "User <id> logged off from <node>"; 1010
 *           "User <id> is not logged on to <node>" when none is open.
 *   VERIFY  0 "User <id> is logged on to <node>" when the session is open,
 *           else 1010 as LOGOFF.
 * Passwords reach no message, no trace and no SQL text (values are bound).
 * Users are added, or given a new password and access, with the tool tarnuser:
 *     `tarnuser [--read-only] <data dir> <node> <user id>`   (the password on stdin)
 * Deleting a user from USERS ends its sessions.
 *
 * Each table request runs in one transaction, reads in a deferred one and
 * writes in BEGIN IMMEDIATE.
 *
 * With KV_ROUTER_DEBUG true (ZeEnvBool), each SQL statement is traced as
 * "TarnRpdb SQL: <statement>"; values never appear in it.
 */
#ifndef TARNRPDB_H
#define TARNRPDB_H

#include "TarnRouter.h"

/** @name The codes of TarnRouter.h under their earlier names
 * Kept so that code written against this header keeps compiling.
 * @{ */
#define TARN_RPDB_RC_UNKNOWN_NODE   TARN_ROUTER_RC_UNKNOWN_NODE   /**< TARN_ROUTER_RC_UNKNOWN_NODE */
#define TARN_RPDB_RC_UNKNOWN_OBJECT TARN_ROUTER_RC_UNKNOWN_OBJECT /**< TARN_ROUTER_RC_UNKNOWN_OBJECT */
#define TARN_RPDB_RC_BAD_REQUEST    TARN_ROUTER_RC_BAD_REQUEST    /**< TARN_ROUTER_RC_BAD_REQUEST */
#define TARN_RPDB_RC_NOT_FOUND      TARN_ROUTER_RC_NOT_FOUND      /**< TARN_ROUTER_RC_NOT_FOUND */
#define TARN_RPDB_RC_ALREADY_EXISTS TARN_ROUTER_RC_ALREADY_EXISTS /**< TARN_ROUTER_RC_ALREADY_EXISTS */
#define TARN_RPDB_RC_STORAGE_ERROR  TARN_ROUTER_RC_STORAGE_ERROR  /**< TARN_ROUTER_RC_STORAGE_ERROR */
#define TARN_RPDB_RC_NO_DATA_DIR    TARN_ROUTER_RC_NO_DATA_DIR    /**< TARN_ROUTER_RC_NO_DATA_DIR */
#define TARN_RPDB_RC_ANSWER_REFUSED TARN_ROUTER_RC_ANSWER_REFUSED /**< TARN_ROUTER_RC_ANSWER_REFUSED */
#define TARN_RPDB_RC_LOGON_REFUSED  TARN_ROUTER_RC_LOGON_REFUSED  /**< TARN_ROUTER_RC_LOGON_REFUSED */
#define TARN_RPDB_RC_NOT_LOGGED_ON  TARN_ROUTER_RC_NOT_LOGGED_ON  /**< TARN_ROUTER_RC_NOT_LOGGED_ON */
#define TARN_RPDB_COPY_KEY          TARN_ROUTER_COPY_KEY          /**< TARN_ROUTER_COPY_KEY */
/** A write in a session whose user may only read. */
#define TARN_RPDB_RC_READ_ONLY TARN_ROUTER_RC_PERMISSION_DENIED
/** @} */

#endif /* TARNRPDB_H */
