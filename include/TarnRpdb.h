/**
 * @file
 * TarnRpdb.h - return codes of TarnRpdb, the demo router, and the contract
 * it keeps. TarnRpdb is the run-time module (libTarnRpdb.so, entry
 * router_client) that ZeRouteDtsAction loads when DEMO_ROUTER is true: it
 * carries out requests on SQLite databases on the local machine instead of
 * sending them over the network. The commands, their messages and the codes
 * below are carried out by one command core that the default router
 * TarnRout (TarnRout.h, remote nodes on PostgreSQL) shares.
 *
 * Nodes. Node DESTNODE is the database file <data dir>/nodes/<DESTNODE>.db,
 * where the data directory is ZeEnv(ZE_ENV_TARN_DATA_DIR). A node name is 1
 * to 64 characters of A-Z a-z 0-9 _ . - and does not start with '.'; names
 * are case-sensitive, as file names are. The router never creates a node:
 * the tool tarnmknode does (tarnmknode <data dir> <node> [sql files]). A
 * node's connection, with the statements prepared on it, is opened on its
 * first request and kept until the module is unloaded; a node file replaced
 * meanwhile is not seen before then. Requests from several threads of one
 * process take turns (one runs at a time), so a connection is never used by
 * two threads at once. KV_ROUTER_TIMEOUT (seconds, default 5) bounds the
 * wait for a node that another process holds locked.
 *
 * Load. The router is meant for one machine: a handful of administration
 * processes (tested with eight) writing to the same node at a sustained
 * rate of about a thousand small writes a second in all. Nodes are put in
 * write-ahead-log mode on first open, so readers and the writer do not block
 * each other; writers take the node in turn, each waiting in naps of one to
 * two milliseconds so that no writer starves, and a write is refused only
 * after KV_ROUTER_TIMEOUT seconds without a turn. A node file therefore has
 * companion files <node>.db-wal and <node>.db-shm while it is in use: copy a
 * node only when no process has it open. It is not meant for many machines
 * sharing a node over a network file system (SQLite's locking does not hold
 * there).
 *
 * Object kinds. The info's OBJECT names a table of the node (ignoring case,
 * as SQL does; names are 1 to 64 of A-Z a-z 0-9 _, not starting with a
 * digit; SQLite's own sqlite_ tables are not object kinds). The table needs
 * a primary key of exactly one column: the key that names an item. Request
 * columns name table columns, ignoring case. Tables or columns whose names
 * hold a double quote are refused.
 *
 * Request fields are (column, operator, value) triples. Operators: EQ, NE,
 * LT, LE, GT, GE (ignoring case). The pseudo column COPY_KEY is no table
 * column: it pairs a second key with the one of the key column (below).
 *
 * Values. Every value reaches SQLite as a bound parameter. A value given to
 * DEFINE, ALTER, COPY or RENAME is stored as it is; an empty value stores
 * NULL, and NULL reads back as "". In SELECT, LIST and DELETE criteria, a
 * value holding '*' under EQ or NE is a pattern: '*' matches any run of
 * characters, everything else matches itself, case counts (as with plain
 * EQ). EQ "" matches NULL; NE "x" matches NULL too (NULL is ""). LT, LE, GT
 * and GE compare as SQLite does for the column's type (numbers for INTEGER
 * and REAL columns) and never match NULL. Criteria are ANDed.
 *
 * Commands (the command word, ignoring case; K is the key column):
 *   SELECT  rows matching every criterion, in key order. Response kind 15:
 *           field 19 with every column of the table in schema order, then
 *           field 20 per row; kind 1 (single item): field 12 with the first
 *           row, not found (1004) when none; kind 3: field 21 with the key
 *           of each row. Message "<n> rows selected" ("1 row selected").
 *           Pages: a SELECT of kind 15 with a delta attached (field 8;
 *           ZeOpenDtsCollectionPage) answers one page, in key order: the
 *           rows whose key is above the delta's cursor (every matching row
 *           when the cursor is NULL or ""), at most the delta's count of
 *           them (0: no bound). The key comparison is the one of ORDER BY,
 *           so a page costs one index range however deep it lies. After the
 *           answer the delta holds the key of the last row sent, which is
 *           the cursor of the next page (the cursor given when no row was
 *           sent), and the number of rows sent; a page shorter than the
 *           count was the last. Other shapes ignore a delta.
 *   LIST    like SELECT with kind 3, whatever the kind.
 *   DEFINE  a new row: each EQ criterion gives a column's value; columns not
 *           given take the table's defaults. K is required (not empty).
 *           With COPY_KEY (not empty) the row named by COPY_KEY is the
 *           model: the columns the request does not give are copied from
 *           it (this is how the library's define-based copy works).
 *           "PRINTER P9 defined" / "PRINTER P9 defined like LASER1".
 *   ALTER   the row K EQ key: the other EQ criteria set its columns;
 *           COPY_KEY (not empty) also gives it a new key.
 *           "PRINTER P1 altered" / "PRINTER P1 altered and renamed to P2";
 *           with nothing to set it succeeds with "PRINTER P1 not changed:
 *           the request gives no column to alter".
 *   COPY    a new row with key COPY_KEY, a copy of the row K EQ key, with
 *           the other EQ criteria as changes. "PRINTER P1 copied to P2".
 *   RENAME  the row K EQ key gets the key COPY_KEY, the other EQ criteria
 *           as changes. "PRINTER P1 renamed to P2".
 *   DELETE  every row matching the criteria (at least one is required).
 *           "PRINTER P9 deleted" for one row, "<n> rows deleted" for more;
 *           not found (1004) when none matches.
 *   DEFINE, ALTER, COPY and RENAME answer with the resulting row in field
 *   12 (loaded when the request has an item attached); DELETE answers with
 *   no row. They take EQ criteria only, each column at most once, and K
 *   and COPY_KEY name rows literally ('*' is no pattern there).
 *
 * Logons. LOGON, LOGOFF and VERIFY name no table (the info's OBJECT, which
 * ZeLogon sets to STARLOGON or STARLOGOFF, is not read). They work on two
 * tables of the node (data/logon.sql): USERS (USER_ID, SALT, HASH,
 * ITERATIONS) and SESSIONS (LOCAL_USER, USER_ID, STARTED), keyed by the
 * info's USERNAME (the local user) and the user id; a node without them
 * answers 1002. USERS and SESSIONS are never object kinds (1002), so no
 * table command reads or writes them. Request fields: ID EQ <user id>, and
 * for LOGON PASSWORD EQ <password>, each exactly once; any other field or
 * operator is a bad request (1003). User ids compare exactly (case counts).
 *   LOGON   checks the password against the user's record: a PBKDF2-HMAC-
 *           SHA256 hash of it with the user's random 16-byte salt and
 *           iteration count, compared in constant time. An unknown user is
 *           checked against a dummy record of the same cost, and both get
 *           1009 with "Logon to <node> refused: unknown user or wrong
 *           password". On success the session (USERNAME, ID) is opened, or
 *           its STARTED time renewed: "User <id> logged on to <node>". The
 *           user is read and the session written in two statements, so the
 *           slow check holds no lock on the node.
 *   LOGOFF  ends the session: "User <id> logged off from <node>"; 1010
 *           "User <id> is not logged on to <node>" when none is open.
 *   VERIFY  0 "User <id> is logged on to <node>" when the session is open,
 *           else 1010 as LOGOFF.
 * Passwords reach no message, no trace and no SQL text (values are bound).
 * Users are added, or given a new password, with the tool tarnuser:
 *     tarnuser <data dir> <node> <user id>   (the password on stdin)
 * Deleting a user from USERS ends its sessions.
 *
 * Each table request runs in one transaction (reads in a deferred one,
 * writes in BEGIN IMMEDIATE): a request that fails changes nothing.
 * Answers are delivered before the commit, so when the library refuses an
 * answer (a field 12, 19, 20 or 21 call returning nonzero) the request
 * fails with 1008 and its changes are rolled back. Field 18 always carries a message:
 * what was done, or why not ("PRINTER P9 already exists"). The response
 * file (field 15) is not used: answers always go through the fields.
 *
 * With KV_ROUTER_DEBUG true (ZeEnvBool), each SQL statement is traced as
 * "TarnRpdb SQL: <statement>"; values never appear in it.
 */
#ifndef TARNRPDB_H
#define TARNRPDB_H

/** Return codes of router_client besides 0 (success) and 3 (memory short). */
#define TARN_RPDB_RC_UNKNOWN_NODE   1001u /* node name not valid, or no such node file */
#define TARN_RPDB_RC_UNKNOWN_OBJECT 1002u /* OBJECT missing or not valid, no such table, no single-column key */
#define TARN_RPDB_RC_BAD_REQUEST                                                                                       \
    1003u                                 /* unknown command, column, operator or response kind; missing key;
                                               a criterion the command does not take; a value the table refuses */
#define TARN_RPDB_RC_NOT_FOUND      1004u /* no row matches */
#define TARN_RPDB_RC_ALREADY_EXISTS 1005u /* the new key (or another UNIQUE value) is taken */
#define TARN_RPDB_RC_STORAGE_ERROR  1006u /* SQLite failed (locked, I/O, not a database, ...) */
#define TARN_RPDB_RC_NO_DATA_DIR    1007u /* the data directory is not set */
#define TARN_RPDB_RC_ANSWER_REFUSED 1008u /* the library refused an answer; the request was rolled back */
#define TARN_RPDB_RC_LOGON_REFUSED  1009u /* LOGON: unknown user or wrong password (one answer for both) */
#define TARN_RPDB_RC_NOT_LOGGED_ON  1010u /* LOGOFF, VERIFY: no session of USERNAME for the user id */

/** The pseudo column that pairs a second key with the key column. */
#define TARN_RPDB_COPY_KEY "COPY_KEY"

#endif /* TARNRPDB_H */
