/**
 * @file
 * TarnRouter.h - the contract that both routers keep: the demo router
 * TarnRpdb (TarnRpdb.h, local SQLite nodes) and the default router TarnRout
 * (TarnRout.h, remote nodes on PostgreSQL). Each is a run-time module
 * (entry router_client) that ZeRouteDtsAction loads; both carry out the
 * commands below through one command core, with the same messages and the
 * codes of this header. Each router's header adds what its nodes bring.
 *
 * Object kinds. The info's OBJECT names a table of the node (ignoring case,
 * as SQL does; names are 1 to 64 of A-Z a-z 0-9 _, not starting with a
 * digit). The table needs a primary key of exactly one column: the key that
 * names an item. Request columns name table columns, ignoring case. Tables
 * or columns whose names hold a double quote are refused.
 *
 * Request fields are (column, operator, value) triples. Operators: EQ, NE,
 * LT, LE, GT, GE (ignoring case). The pseudo column COPY_KEY is no table
 * column: it pairs a second key with the one of the key column (below).
 *
 * Values. Every value reaches the node as a bound parameter, checked first
 * against its column: text must be valid UTF-8; a whole-number column takes
 * an optional sign and digits, within 32 bits; a number column a decimal
 * number; a date column a date in the request's date format (field 22, the
 * info's date format, else ZeDateDefaultFormat()), checked by the library's
 * date service as VALIDATE VALUE checks it (3/15/2021 and 03/15/2021 are the
 * same date); a time column a time of day as VALIDATE VALUE takes it
 * (hh:mm[:ss[.hh]]). A value that fails is refused with 1018. Dates and
 * times go to the node in its ordered form (YYYY-MM-DD, HH:MM:SS[.hh]) and
 * come back in the request's format (day and month with two digits), so
 * criteria compare them, and the key order sorts them, as dates and times.
 * A value given to DEFINE, ALTER, COPY or RENAME is stored; an empty value
 * stores NULL, clearing the column (1018 "<COLUMN>: a value is required"
 * where the column is NOT NULL), and NULL reads back as "". In SELECT, LIST
 * and DELETE criteria, a value holding '*' under EQ or NE is a pattern on a
 * text or number column: '*' matches any run of characters, everything else
 * matches itself, case counts (as with plain EQ); on a date or time column
 * it is refused. EQ "" matches NULL; NE "x" matches NULL too (NULL is "").
 * LT, LE, GT and GE compare as the column's kind orders (numbers, dates and
 * times as such, text byte by byte), need a value and never match NULL. EQ
 * criteria on one column are ORed (the column holds one of the values);
 * all other criteria are ANDed.
 *
 * Rules. A node may say what its rules mean in the table TARN_RULES
 * (RULE_NAME, TABLE_NAME, COLUMN_NAME, RULE_KIND, RULE_TEXT; see
 * data/schema.sql): a CHECK row names a CHECK constraint, the column it
 * guards and what a value must be ("{value} is outside 1 to 99", "{value}"
 * standing for the value refused); DATE and TIME rows mark the columns that
 * hold dates or times (on SQLite, where such a column is TEXT with a CHECK
 * of that name); a REFERENCE row names a foreign key (COLUMN_NAME the
 * referring column, RULE_TEXT the table referred to). A value or change the
 * node refuses is answered with 1018 in one form, whichever the store:
 *   "<COLUMN>: <RULE_TEXT>"                     a CHECK
 *   "<COLUMN>: a value is required"             NOT NULL
 *   "<OBJECT> <key>: still referenced by <OBJECT> <key>"
 *                                               a DELETE of a row another refers to
 *   "<COLUMN>: <OBJECT> <value> does not exist" a reference to a missing row
 * The store's own text goes to the trace only. A refusal the rules do not
 * explain (a constraint they do not name, a trigger) is 1003 with the
 * store's text. The library shows a 1018 message with the field's name in
 * place of the column (ZeRouteDtsAction). A node's rules are read with its
 * table, for each request on SQLite, once per connection on PostgreSQL.
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
 *   LOGON, LOGOFF and VERIFY name no table; each router's header says how
 *   its nodes check them.
 *   STATUS  names no table and takes no field: what the request's
 *           connection finds of its node (the local user's session, else
 *           the map's), for tools that check a setup. Answers 0 with the
 *           message "<key>=<value>; <key>=<value>; ..." (a value never
 *           holds ';'); a node that cannot be reached answers as any
 *           request would. Keys, each given where it applies to the
 *           router's nodes (each router's header says which; a reader
 *           skips keys it does not know):
 *             version       the node's engine and version
 *                           ("PostgreSQL 15.10 (Debian ...)", "SQLite 3.40.1")
 *             role          primary, or standby (read only, replaying a
 *                           primary's changes)
 *             tls           yes or no: the connection is encrypted
 *             tls_protocol  the TLS version in use ("TLSv1.3"), with tls=yes
 *             sslmode       how the server's certificate is checked
 *             host, port    the server that answered (of a host list, the
 *                           one reached)
 *             user          the role the connection acts as
 *
 * Each table request runs in one transaction: a request that fails changes
 * nothing. Answers are delivered before the commit, so when the library
 * refuses an answer (a field 12, 19, 20 or 21 call returning nonzero) the
 * request fails with 1008 and its changes are rolled back. Field 18 always
 * carries a message: what was done, or why not ("PRINTER P9 already
 * exists"). The response file (field 15) is not used: answers always go
 * through the fields.
 *
 * Outcomes. Every code router_client returns says which of three things
 * happened on the node:
 *   carried out      0: the request was carried out and, for a write,
 *                    committed.
 *   nothing changed  any other code but 1019: the node did not carry the
 *                    request out; a write was rolled back or never sent.
 *                    ZE_RC_NO_MEMORY from a router is such a code: memory
 *                    ran out before the commit.
 *   unknown          1019: the connection broke, or memory ran out, while
 *                    the commit was on its way; the node may hold the
 *                    change or not.
 * Once the node has committed, a router answers 0 whatever fails after it
 * (its message may then be missing; the library tells that case apart with
 * a code of its own, ZeDts.h).
 *
 * Threads. Requests may come from several threads of a process at once;
 * each runs on a connection of its node that it holds alone until it ends
 * (each router's header says how the connections are kept), so requests to
 * one node, or to several, run side by side. The answer fields of one
 * request are set by the thread that carries it out.
 */
#ifndef TARNROUTER_H
#define TARNROUTER_H

/** @name Return codes of router_client
 * Besides ZE_OK (success) and ZE_RC_NO_MEMORY (memory short).
 * @{ */
#define TARN_ROUTER_RC_UNKNOWN_NODE   1001u /**< node name not valid, or no such node */
#define TARN_ROUTER_RC_UNKNOWN_OBJECT 1002u /**< OBJECT missing or not valid, no such table, no single-column key */
/** Unknown command, column, operator or response kind; missing key; a
 * criterion the command does not take; a change the table refuses that its
 * rules do not explain. */
#define TARN_ROUTER_RC_BAD_REQUEST    1003u
#define TARN_ROUTER_RC_NOT_FOUND      1004u /**< no row matches */
#define TARN_ROUTER_RC_ALREADY_EXISTS 1005u /**< the new key (or another UNIQUE value) is taken */
#define TARN_ROUTER_RC_STORAGE_ERROR  1006u /**< the node's storage failed (locked, I/O, not a database, ...) */
#define TARN_ROUTER_RC_NO_DATA_DIR    1007u /**< the data directory is not set */
#define TARN_ROUTER_RC_ANSWER_REFUSED 1008u /**< the library refused an answer; the request was rolled back */
#define TARN_ROUTER_RC_LOGON_REFUSED  1009u /**< LOGON: unknown user or wrong password (one answer for both) */
#define TARN_ROUTER_RC_NOT_LOGGED_ON  1010u /**< LOGOFF, VERIFY: no session of USERNAME for the user id */
/** The node refuses the request to this user: its grants, a session whose
 * user may only read, or (TarnRout) the map's credentials. */
#define TARN_ROUTER_RC_PERMISSION_DENIED 1011u
/** A value the column cannot hold, or a change its rules refuse:
 * "<COLUMN>: <what is wrong>". */
#define TARN_ROUTER_RC_VALUE_REFUSED 1018u
/** The connection broke, or the process ran out of memory, while the
 * commit was on its way: the node may or may not have carried the request
 * out. Look before sending it again. */
#define TARN_ROUTER_RC_OUTCOME_UNKNOWN 1019u
/** @} */

/** The pseudo column that pairs a second key with the key column. */
#define TARN_ROUTER_COPY_KEY "COPY_KEY"

#endif /* TARNROUTER_H */
