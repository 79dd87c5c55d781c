/**
 * @file
 * ZeLogon.h - logon and logoff: opening, closing and testing a user's
 * logon on a remote node.
 *
 * Each function builds a request info of its own for the node, looks the
 * node up in the local node map, and routes one request (ZeRouteDtsAction,
 * ZeDts.h) whose request fields carry the user id (and the password). The
 * request echo is suppressed: the trace shows
 * "DTS Action filter echo suppressed..." and the field count, never a value,
 * so a password reaches no trace line.
 *
 * The local user
 * --------------
 * pArgs is a position in the caller's argument list (a va_list *): its next
 * argument is the local user name, a const char * on whose behalf the
 * request is made (the info's USERNAME). NULL means the user this process
 * runs as: the effective user's name from the password database, else
 * $USER, else "" (and an empty USERNAME makes routing fail with
 * ZE_RC_INFO_NO_USERNAME). An empty text is taken as it is. The functions work
 * on a copy of the name.
 * The ...User functions at the end pass the name as a plain argument.
 *
 * The local node map
 * ------------------
 * Each call looks the node up once: it creates the object "LOCALMAP" with
 * the filter "LANGUAGE EQ AMENG, VERSION EQ 2.0" (ZeCreateObject, ZeObject.h),
 * sets its "FIELD ORDER" to NODE, ROUTENODE, APPNAME, APPTITLE, PLATFORM,
 * VERSION, LANGUAGE, submits "OPEN COLLECTION" with the filter "NODE EQ
 * <node>" and "GET ITEM", and reads ROUTENODE and PLATFORM of the first
 * item (found by name in the field order, so a map that lacks a field gives
 * no value rather than its neighbour's). Failures only leave both empty:
 *   "*** ZeLogCl : Error setting LOCALMAP field order, rc = <rc>"
 *   "*** ZeLogCl : Error opening LOCALMAP collection, rc = <rc>"
 *   "*** ZeLogCl : No LOCALMAP items found, rc = <rc>"
 * (a map object that cannot be created is traced by ZeCreateObject). Route
 * node and platform are read into buffers of 256 characters: a value of 256
 * or more is not cut to a different name but taken as absent, traced
 * "+++ ZeLogCl : LOCALMAP <field> of node <node> ignored: longer than 255
 * characters".
 *
 * The request info
 * ----------------
 * OBJECT "STARLOGON" (logon, verify) or "STARLOGOFF" (logoff), LANGUAGE
 * "AMENG", VERSION "2.0", USERNAME the local user, DESTNODE the node,
 * ROUTENODE the map's route node or else the node itself, PLATFORM the
 * map's platform (unset when none). No ROUTEMODULE: the router library is
 * TarnRpdb when DEMO_ROUTER is on, else TarnRout.
 *
 * Sessions
 * --------
 * A logon opens a session of (local user, node) in the router, not in an
 * object: every object of the process whose requests go to the node for
 * that local user (its USERNAME and DESTINATION) runs as the session's
 * user, the objects created after the logon included, until ZeLogoff.
 * Without a session, requests run with the router's own credentials for
 * the node (TarnRout: the node map's user; TarnRpdb: the node's full
 * access). A second logon of the same local user replaces the session. How
 * long a session lives is the router's:
 *   TarnRout  one connection per process: the session ends with the
 *             process (or its connection's loss past one reconnection,
 *             then requests fail with 1012 rather than run otherwise);
 *             libpq keeps the password to reconnect it until ZeLogoff.
 *   TarnRpdb  a row on the node: the session holds for every process of
 *             the local user until ZeLogoff (TarnRpdb.h).
 * The library keeps no credentials. An application that wants a logon to
 * hold across its runs keeps them itself and logs on again in each run
 * before its first request, as tarnadm does with its session store; it
 * then behaves the same on both routers.
 *
 * Codes and failure lines
 * -----------------------
 * ZE_OK success; ZE_RC_INVALID_PARAMETER a bad parameter ("*** <function>:
 * parameter <n> (<name>) is invalid"); ZE_RC_NO_MEMORY memory short while
 * building the info or the request; ZE_RC_ROUTER_FAILED the logon or logoff
 * failed on its way or at the node, traced as
 *   "*** ZeLogCl : Logon failure, rc = <rc>" (or "Logoff failure")
 *   "***     <message>"
 * where rc and message are the router's when the router ran, else rc is
 * the code of the routing step that stopped the request
 * (ZE_RC_INFO_NO_USERNAME, ZE_RC_INFO_NO_DESTNODE, ZE_RC_LOAD_FAILED or
 * ZE_RC_PROC_NOT_FOUND router library or entry missing, ZE_RC_NO_MEMORY) and
 * the message is empty. A failed info build is traced
 * "*** ZeLogCl : Error creating info object, rc = <rc>" (not by
 * ZeLogonIsValid, which traces no failure lines of its own).
 * ZE_RC_ANSWER_LOST (ZeDts.h) passes through unchanged: the node carried the
 * logon or logoff out but its message could not be kept (memory short), so
 * the session is open, or closed, as asked. Reporting it as a failed
 * logon would tell the caller the opposite of what the node holds.
 */
#ifndef ZELOGON_H
#define ZELOGON_H

#include "ZeTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

/** The logon text "ID EQ <user id>, PASSWORD EQ <password>" fits a buffer
 * of 256 characters: user id and password together take at most this many. */
#define ZE_LOGON_MAX_CREDENTIALS 235u

/** A node of this platform (ignoring case) needs no logon. */
#define ZE_LOGON_PLATFORM_WITHOUT_LOGON "WNT"

/**
 * Logs the local user on to `node` as `userId` with `password`: routes
 * "LOGON" with the request fields (ID, EQ, userId) and (PASSWORD, EQ,
 * password). When the node's platform in the local map is "WNT" (any case)
 * nothing is sent and ZE_OK is returned.
 *
 * Checks "Node", "UserId", "Password" (not empty) and "pArgs" (given). The
 * fields travel as the criteria text "ID EQ %s, PASSWORD EQ %s", formatted
 * into 256 characters; credentials that do not fit are never cut into a
 * different password: a userId of more than ZE_LOGON_MAX_CREDENTIALS - 1
 * characters is reported as parameter 2, a password that does not fit
 * beside it as parameter 3 (ZE_RC_INVALID_PARAMETER either way; neither
 * value is traced). A text that would not carry the values unchanged (a
 * comma in either splits the criteria, blanks at either end would be
 * trimmed) is replaced by the two criteria given as strings, so every
 * password arrives exactly as given.
 *
 * Returns ZE_OK (logged on, or no logon needed), ZE_RC_ROUTER_FAILED
 * (refused or not routed, see above), ZE_RC_NO_MEMORY,
 * ZE_RC_INVALID_PARAMETER or the info build's code.
 */
ZE_API unsigned int ZeLogon(const char *node, const char *userId, const char *password, va_list *pArgs);

/**
 * Logs the local user off `node` as `userId`: routes "LOGOFF" with
 * (ID, EQ, userId), also for "WNT" nodes. Checks "Node", "UserId" (not
 * empty) and "pArgs" (given). Returns ZE_OK, ZE_RC_ROUTER_FAILED ("Logoff
 * failure" lines), ZE_RC_NO_MEMORY, ZE_RC_INVALID_PARAMETER or the info
 * build's code.
 */
ZE_API unsigned int ZeLogoff(const char *node, const char *userId, va_list *pArgs);

/**
 * Asks `node` whether the local user is logged on as `userId`: routes
 * "VERIFY" with (ID, EQ, userId) under OBJECT "STARLOGON". A "WNT" node is
 * asked all the same: the node, not the map, knows its sessions. Checks
 * "Node", "UserId" (not empty) and "pArgs" (given). Returns the routing
 * code unchanged: ZE_OK logged on, ZE_RC_ROUTER_FAILED the router said no
 * (its code is not kept), or ZE_RC_INFO_NO_USERNAME, ZE_RC_INFO_NO_DESTNODE,
 * ZE_RC_LOAD_FAILED, ZE_RC_PROC_NOT_FOUND, ZE_RC_NO_MEMORY;
 * ZE_RC_INVALID_PARAMETER; or the info build's code.
 */
ZE_API unsigned int ZeLogonIsValid(const char *node, const char *userId, va_list *pArgs);

/** ZeLogon with the local user name as a plain argument (NULL: this
 * process's user). Parameters are reported under the names above. */
ZE_API unsigned int ZeLogonUser(const char *node, const char *userId, const char *password, const char *localUser);

/** ZeLogoff with the local user name as a plain argument (NULL: this
 * process's user). */
ZE_API unsigned int ZeLogoffUser(const char *node, const char *userId, const char *localUser);

/** ZeLogonIsValid with the local user name as a plain argument (NULL: this
 * process's user). */
ZE_API unsigned int ZeLogonIsValidUser(const char *node, const char *userId, const char *localUser);

#ifdef __cplusplus
}
#endif

#endif /* ZELOGON_H */
