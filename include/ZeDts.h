/**
 * @file
 * ZeDts.h - remote requests: the request info that goes with every request,
 * the result and message objects that carry a request's outcome, action
 * requests and their routing to a router library, and the item, collection
 * and list operations built on them. Each family has its own section below;
 * logon adds its own.
 *
 * Every function that does work returns an unsigned code (ZE_OK for
 * success; the shared codes of ZeTypes.h; the family codes below). A
 * parameter that is not acceptable gives ZE_RC_INVALID_PARAMETER and one
 * trace line
 * "*** <function>: parameter <n> (<name>) is invalid"; nothing is changed
 * then except the function's outputs.
 */
#ifndef ZEDTS_H
#define ZEDTS_H

#include "ZeTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ========================================================= request info */
/**
 * @defgroup dts_info Request info
 * A DtsInfo ("DTSINFO") is a bag of nine optional strings addressed by
 * field number. Each stored value is the info's own copy; a value read with
 * ZeDtsInfoField is borrowed and valid until that field is set again or the
 * info is destroyed.
 * @{
 */

/** @name Field numbers
 * Also the order of every loop over the fields.
 * @{ */
#define ZE_INFO_OBJECT      1u /**< managed object kind the request addresses */
#define ZE_INFO_PLATFORM    2u /**< platform of the destination */
#define ZE_INFO_VERSION     3u /**< version of the object definitions */
#define ZE_INFO_LANGUAGE    4u /**< language code */
#define ZE_INFO_USERNAME    5u /**< user the request is made for; required */
#define ZE_INFO_DESTNODE    6u /**< node that carries out the request; required */
#define ZE_INFO_ROUTENODE   7u /**< node the request is routed through */
#define ZE_INFO_ROUTEMODULE 8u /**< router library to load instead of the default */
#define ZE_INFO_DATEFORMAT  9u /**< date format of date values */
#define ZE_INFO_FIELD_COUNT 9u /**< the number of fields */
/** @} */

/** @name Codes of the request info
 * @{ */
#define ZE_RC_INFO_CRITERION_NOT_EQ 8u  /**< a filter criterion for an info field is not "EQ" */
#define ZE_RC_INFO_NO_USERNAME      11u /**< USERNAME is missing */
#define ZE_RC_INFO_NO_DESTNODE      12u /**< DESTNODE is missing */
/** @} */

/** A new info with every field NULL: ZE_OK; ZE_RC_NO_MEMORY (NULL stored)
 * when memory is short. */
ZE_API unsigned int ZeCreateDtsInfo(DtsInfo **pInfo);

/** Frees the fields and the info; the caller's handle dangles afterwards. */
ZE_API unsigned int ZeDestroyDtsInfo(DtsInfo *info);

/** 1 for an info; else traces "*** Invalid DTS Info Object encountered" and gives 0. */
ZE_API int ZeIsValidDtsInfo(DtsInfo *info);

/**
 * Replaces a field (1 to 9) with a copy of value; NULL clears it.
 * ZE_RC_NO_MEMORY when the copy cannot be made: the field is NULL then. A
 * field number outside 1 to 9 is reported as an invalid parameter 2
 * ("Field") and gives ZE_RC_INVALID_PARAMETER. Setting a field to its own
 * current value is safe.
 */
ZE_API unsigned int ZeSetDtsInfoField(DtsInfo *info, unsigned int field, const char *value);

/** The field's value (borrowed, may be NULL); NULL for an invalid info or a
 * field number outside 1 to 9 (reported like the setter's). */
ZE_API const char *ZeDtsInfoField(DtsInfo *info, unsigned int field);

/**
 * Checks that the info can be routed: ZE_RC_INFO_NO_USERNAME when USERNAME
 * is NULL or empty, ZE_RC_INFO_NO_DESTNODE when DESTNODE is (each with a
 * trace line); then an empty DATEFORMAT is filled with
 * ZeDateDefaultFormat() and the code of that set returned.
 */
ZE_API unsigned int ZeCheckDtsInfo(DtsInfo *info);

/** Copies all nine fields of src into dest in field order (fields NULL in
 * src become NULL in dest); a non-NULL newObjectName is stored as OBJECT
 * instead of src's. Stops at the first failing field with its code. */
ZE_API unsigned int ZeCopyDtsInfo(DtsInfo *dest, DtsInfo *src, const char *newObjectName);

/**
 * For each field in order, the filter's first criterion whose column is the
 * field's name ("OBJECT" ... "DATEFORMAT", ignoring case) sets the field to
 * its value. Criteria on other columns are ignored. A criterion for a field
 * whose operator is not "EQ" stops with ZE_RC_INFO_CRITERION_NOT_EQ; fields
 * set before it keep their new values. A failing set stops with its code.
 */
ZE_API unsigned int ZeSetDtsInfoFromFilter(DtsInfo *info, Filter *filter);

/** Traces "<prefix>Info:" and one line "<prefix>   <NAME right-aligned in
 * 12> : <value>" per field, "<None>" for a NULL field. A NULL prefix is
 * empty; a NULL or foreign handle writes nothing. */
ZE_API void ZeDumpDtsInfo(DtsInfo *info, const char *prefix);
/** @} */

/* ================================================= results and messages */
/**
 * @defgroup dts_result Results and messages
 * A DtsMessage ("DTSMESSAGE") holds one text and its length; a DtsResult
 * ("DTSRESULT") holds a code and a message of its own. Texts read from them
 * are borrowed and valid until the next set on the same object.
 *
 * The functions that take pArgs read their out-pointer as the next argument
 * of a caller's argument list (a va_list *, as handlers receive it) and
 * leave the list one argument further on; the argument is taken even when
 * the object turns out to be invalid.
 * @{
 */

/** A message holding "": ZE_OK; ZE_RC_NO_MEMORY (NULL stored) when memory is
 * short. */
ZE_API unsigned int ZeCreateDtsMsg(DtsMessage **pMsg);

/** Releases the message and its text: ZE_OK; ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeDestroyDtsMsg(DtsMessage *msg);

/** 1 for a message; else traces "*** Invalid DTS Msg Object encountered" and gives 0. */
ZE_API int ZeIsValidDtsMsg(DtsMessage *msg);

/** Replaces the text with a copy of buffer (NULL gives
 * ZE_RC_INVALID_PARAMETER: pass "" to clear). When the copy cannot be made:
 * ZE_RC_NO_MEMORY, the text is NULL and the length keeps its old value until
 * the next successful set. */
ZE_API unsigned int ZeSetDtsMsgBuffer(DtsMessage *msg, const char *buffer);

/** Stores the message's own text (borrowed; NULL only after a failed set). */
ZE_API unsigned int ZeGetDtsMsgBuffer(DtsMessage *msg, const char **pBuffer);

/** Takes a const char ** from the list and does ZeGetDtsMsgBuffer with it. */
ZE_API unsigned int ZeQueryDtsMsgBuffer(DtsMessage *msg, va_list *pArgs);

/** Sets dest's text to a copy of src's: the code of the get, else of the set. */
ZE_API unsigned int ZeDuplicateDtsMsg(DtsMessage *dest, DtsMessage *src);

/** Traces "<prefix>Message Length: <n> Message Buffer: <text>" ("<None>"
 * for a NULL text). A NULL prefix is empty; a NULL or foreign handle writes
 * nothing. */
ZE_API void ZeDumpDtsMsg(DtsMessage *msg, const char *prefix);

/** A result with code ZE_OK and an empty message: ZE_OK; ZE_RC_NO_MEMORY
 * (NULL stored) when memory is short. */
ZE_API unsigned int ZeCreateDtsResult(DtsResult **pResult);

/** Destroys the result and its message: the code of destroying the message. */
ZE_API unsigned int ZeDestroyDtsResult(DtsResult *result);

/** 1 for a result; else traces "*** Invalid DTS Result Object encountered." and gives 0. */
ZE_API int ZeIsValidDtsResult(DtsResult *result);

/** Stores code and a copy of text (NULL: ""): the code of setting the text. */
ZE_API unsigned int ZeSetDtsResultFields(DtsResult *result, unsigned int code, const char *text);

/** Stores the code and the message text (borrowed; never NULL: "" at worst). */
ZE_API unsigned int ZeGetDtsResultFields(DtsResult *result, unsigned int *pCode, const char **pMessage);

/** Stores code, keeping the message: ZE_OK; ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeSetDtsResultCode(DtsResult *result, unsigned int code);

/** Copies msg's text into the result's own message (ZeDuplicateDtsMsg). */
ZE_API unsigned int ZeSetDtsResultMessage(DtsResult *result, DtsMessage *msg);

/** Takes an unsigned int * from the list and stores the result's code in
 * it through ZeGetDtsResultFields: that code. */
ZE_API unsigned int ZeGetDtsResultCode(DtsResult *result, va_list *pArgs);

/** Takes a const char ** from the list and stores the result's message text
 * in it through ZeGetDtsResultFields: that code. */
ZE_API unsigned int ZeGetDtsResultMessage(DtsResult *result, va_list *pArgs);
/** @} */

/* ====================================================== action requests */
/**
 * @defgroup dts_action Action requests
 * A DtsAction ("DTSACTION") is one request on its way to a router library
 * and its answer on the way back: the command word, the request info, the
 * request fields (column, operator, value), the response kind and response
 * file, the router's return code and answer text, and the places the answer
 * is loaded into (an item, or a collection through the descriptor, or a list
 * of names). The router library reads and answers the request only through
 * ZeGetDtsActionField and ZeSetDtsActionField, from inside router_client.
 *
 * Field numbers of ZeSetDtsActionField / ZeGetDtsActionField and the further
 * arguments each takes, with their exact types (null pointers passed typed):
 *
 *   no. name                   set: arguments, effect            get: arguments
 *   1-7 ZE_ACTION_OBJECT ...   const char *value: sets info      const char **pValue: info field
 *       ZE_ACTION_ROUTENODE    field 1-7 (OBJECT, PLATFORM,      (borrowed, may be NULL)
 *                              VERSION, LANGUAGE, USERNAME,
 *                              DESTNODE, ROUTENODE)
 *   8   ZE_ACTION_DELTA        DtsDelta *delta: attached when    -
 *                              valid, else none is attached
 *   9   ZE_ACTION_HAS_DELTA    -                                 unsigned int *pHasDelta: 1 or 0
 *   10  ZE_ACTION_DELTA_FIELDS const char *cursor,               char **pCursor, unsigned int *pCount
 *                              unsigned int count                (ZeGetDtsDeltaFields)
 *                              (ZeSetDtsDeltaFields)
 *   11  ZE_ACTION_REQUEST_FIELDS -                               char ***pColumns, char ***pRelops,
 *                                                                char ***pValues, int *pCount
 *   12  ZE_ACTION_ANSWER_ITEM  char **columns, char **values,    -
 *                              int count: one answer row
 *   13  ZE_ACTION_COMMAND      const char *command               const char **pCommand
 *   14  ZE_ACTION_RESPONSE_KIND unsigned int kind                unsigned int *pKind
 *   15  ZE_ACTION_RESPONSE_FILE const char *fileName             const char **pFileName
 *   16  ZE_ACTION_ROUTER_TEXT1 const char *text                  const char **pText
 *   17  ZE_ACTION_ROUTER_TEXT2 const char *text                  const char **pText
 *   18  ZE_ACTION_MESSAGE      const char *text: answer text     -
 *   19  ZE_ACTION_ANSWER_HEADER TarnList *columns: answer        -
 *                              column names (char * entries)
 *   20  ZE_ACTION_ANSWER_ROW   TarnList *values: one answer row  -
 *                              (char * entries, header order)
 *   21  ZE_ACTION_LIST_NAME    const char *name: one list name   -
 *   22  ZE_ACTION_DATE_FORMAT  -                                 const char **pFormat: info field 9
 *                                                                (borrowed, may be NULL)
 *   23  ZE_ACTION_BATCH        -                                 unsigned int *pCount, unsigned int *pMode:
 *                                                                items and mode of a batch (0 items: none)
 *   24  ZE_ACTION_BATCH_ITEM   -                                 unsigned int index, char ***pColumns,
 *                                                                char ***pRelops, char ***pValues,
 *                                                                int *pCount: one item's request fields
 *   25  ZE_ACTION_BATCH_OUTCOME unsigned int index, unsigned int -
 *                              state, unsigned int code, const
 *                              char *message: one item's outcome
 *
 * Field 22 is this library's own addition to the numbered fields: routers
 * read the request's date format through it to turn dates between that
 * format and the node's ordered form (it answers like fields 1-7: NULL and
 * ZE_RC_INVALID_PARAMETER while no info is attached).
 *
 * Fields 23 to 25 are the batch conversation (see the batches section):
 * they answer ZE_RC_INVALID_PARAMETER on an action that carries no batch,
 * and for an index at or past the batch's item count.
 *
 * A "-" (and any number outside 1 to 25) gives ZE_RC_INVALID_PARAMETER.
 * Texts handed in are copied; texts and arrays handed out are the action's
 * (or its info's, filter's, delta's) own, valid until that owner changes.
 * @{
 */

/** @name Field numbers
 * The arguments each takes are in the table above.
 * @{ */
#define ZE_ACTION_OBJECT         1u  /**< info field OBJECT */
#define ZE_ACTION_PLATFORM       2u  /**< info field PLATFORM */
#define ZE_ACTION_VERSION        3u  /**< info field VERSION */
#define ZE_ACTION_LANGUAGE       4u  /**< info field LANGUAGE */
#define ZE_ACTION_USERNAME       5u  /**< info field USERNAME */
#define ZE_ACTION_DESTNODE       6u  /**< info field DESTNODE */
#define ZE_ACTION_ROUTENODE      7u  /**< info field ROUTENODE */
#define ZE_ACTION_DELTA          8u  /**< the delta attached (set only) */
#define ZE_ACTION_HAS_DELTA      9u  /**< whether a delta is attached (get only) */
#define ZE_ACTION_DELTA_FIELDS   10u /**< the delta's cursor and count */
#define ZE_ACTION_REQUEST_FIELDS 11u /**< the request fields (get only) */
#define ZE_ACTION_ANSWER_ITEM    12u /**< the answer row of a single item (set only) */
#define ZE_ACTION_COMMAND        13u /**< the command word */
#define ZE_ACTION_RESPONSE_KIND  14u /**< the response kind (ZE_RESPONSE_...) */
#define ZE_ACTION_RESPONSE_FILE  15u /**< the response file name */
#define ZE_ACTION_ROUTER_TEXT1   16u /**< the router's first text */
#define ZE_ACTION_ROUTER_TEXT2   17u /**< the router's second text */
#define ZE_ACTION_MESSAGE        18u /**< the answer text (set only) */
#define ZE_ACTION_ANSWER_HEADER  19u /**< the answer's column names (set only) */
#define ZE_ACTION_ANSWER_ROW     20u /**< one answer row of a collection (set only) */
#define ZE_ACTION_LIST_NAME      21u /**< one name of a list (set only) */
#define ZE_ACTION_DATE_FORMAT    22u /**< info field 9, the date format (get only) */
#define ZE_ACTION_BATCH          23u /**< a batch's item count and mode (get only) */
#define ZE_ACTION_BATCH_ITEM     24u /**< one batch item's request fields (get only) */
#define ZE_ACTION_BATCH_OUTCOME  25u /**< one batch item's outcome (set only) */
/** @} */

/** @name Response kinds the library sets (field 14)
 * Kinds 3, 9, 10, 11 and 15 also get a fresh temporary response file
 * ("TARN..." in $TMPDIR or /tmp).
 * @{ */
#define ZE_RESPONSE_ITEM       1u  /**< single item: the answer row comes through field 12 */
#define ZE_RESPONSE_LIST       3u  /**< name list: one field 21 per name */
#define ZE_RESPONSE_COLLECTION 15u /**< rows: field 19 once, then field 20 per row */
/** @} */

/** Size of the response file name, terminator included. */
#define ZE_RESPONSE_FILE_SIZE 260u

/**
 * A new action in *pAction: response kind 1, no response file, no command,
 * empty request fields, an empty message. ZE_OK; ZE_RC_NO_MEMORY with NULL
 * stored when the action itself cannot be made; ZE_RC_NO_MEMORY with the
 * action stored when one of its parts cannot be made (destroy it);
 * ZE_RC_INVALID_PARAMETER for a NULL pAction.
 */
ZE_API unsigned int ZeCreateDtsAction(DtsAction **pAction);

/**
 * Releases the action and everything it owns: command, router texts,
 * message, request fields, names no list operation has taken, and the
 * temporary response file the action made (that file is deleted; a file
 * named through field 15 is not). The info, delta, descriptor, item and
 * collection are borrowed and stay. ZE_OK; ZE_RC_INVALID_PARAMETER ("Action").
 */
ZE_API unsigned int ZeDestroyDtsAction(DtsAction *action);

/**
 * Sets field `field` from the further arguments (table above); checks
 * "Action" and "Field" (not 0). Codes: ZE_OK; ZE_RC_INVALID_PARAMETER for a
 * field without a setter; ZE_RC_NO_MEMORY when a copy cannot be made (the
 * field is NULL then); otherwise the code of the call the field maps to:
 *   1-7   ZeSetDtsInfoField's; ZE_RC_INVALID_PARAMETER while no info is
 *         attached (before routing).
 *   10    ZeSetDtsDeltaFields's; ZE_RC_INVALID_PARAMETER without a delta
 *         attached.
 *   12    the code of loading the row into the action's item (see routing);
 *         ZE_OK and nothing loaded when no item is attached. NULL columns or
 *         values with a count above 0, or a count below 0, give
 *         ZE_RC_INVALID_PARAMETER.
 *   13,16,17  a NULL text clears the field.
 *   14    ZE_OK; the kind is stored even when no temporary file can be made
 *         (the response file is then empty).
 *   15    ZE_RC_INVALID_PARAMETER for a NULL name or one of
 *         ZE_RESPONSE_FILE_SIZE characters or more (the file name is then
 *         unchanged).
 *   18    ZeSetDtsMsgBuffer's (ZE_RC_INVALID_PARAMETER for NULL).
 *   19,20 see routing; ZE_RC_INVALID_PARAMETER for a NULL list.
 *   21    ZE_RC_INVALID_PARAMETER for a NULL name; ZE_RC_NO_MEMORY when the
 *         copy cannot be kept.
 */
ZE_API unsigned int ZeSetDtsActionField(DtsAction *action, unsigned int field, ...);

/**
 * Reads field `field` into the out-pointers that follow (table above);
 * checks "Action" and "Field" (not 0), and a NULL out-pointer of a field
 * that reads one value as parameter 3 ("pValue"). ZE_OK;
 * ZE_RC_INVALID_PARAMETER. Fields 1-7 store NULL and give
 * ZE_RC_INVALID_PARAMETER while no info is attached. Field 10 gives
 * ZeGetDtsDeltaFields's code (ZE_RC_INVALID_PARAMETER without a delta).
 * Field 11 is checked under "get_action_request_fields" ("Action",
 * "pColumns", "pValues", "pCount"; pRelops may be NULL) and gives
 * ZeGetFilter's code: ZE_RC_NO_ENTRY for a request without fields. Field
 * 15 gives the action's own 260-byte buffer ("" when no file is set).
 */
ZE_API unsigned int ZeGetDtsActionField(DtsAction *action, unsigned int field, ...);

/**
 * Turns a filter into the request fields: each criterion goes out under the
 * column's REAL NAME when the descriptor gives one, and with the value's
 * database value (ZeGetRealValue) when there is one; a NULL value goes out
 * as "". The previous request fields are replaced. Traces the request echo
 *     "DTS Action Request <handle> - Fields", two heading lines,
 *     three blanks and `<label>  <relop>  "<value>"("<db value>")` per criterion
 * (label "COLUMN(REAL NAME)" or "COLUMN", left-aligned in 18; operator in
 * 4), or only "DTS Action filter echo suppressed..." when suppressEcho is
 * not 0; then "   Total of <n> fields in request". Checks "Action",
 * "Filter" and "Descriptor" (NULL accepted: names and values go out as
 * given). The value of a field with the PASSWORD attribute, and of a
 * column named PASSWORD (the logon credential), is echoed as "********".
 * ZE_OK; ZE_RC_INVALID_PARAMETER; ZE_RC_NO_MEMORY when a criterion cannot be
 * appended: the request then has no fields at all, so that a router never
 * acts on more items than asked for.
 */
ZE_API unsigned int ZeSetDtsActionRequestFilter(DtsAction *action, Filter *filter, Descriptor *descriptor,
                                                unsigned int suppressEcho);

/**
 * The filter of a DEFINE: toFilter gets fromFilter's criteria in order,
 * then (NAME, "EQ", DEF VALUE) for each non-PSEUDO field of the descriptor
 * that has a DEF VALUE and that fromFilter does not name. Checks
 * "ToFilter", "FromFilter", "Descriptor". ZE_OK; ZE_RC_NO_MEMORY when an
 * append fails for lack of memory (toFilter keeps what was appended);
 * ZE_RC_INVALID_PARAMETER.
 */
ZE_API unsigned int ZeSetupDtsDefineFilter(Filter *toFilter, Filter *fromFilter, Descriptor *descriptor);
/** @} */

/* ============================================================== routing */
/**
 * @defgroup dts_routing Routing
 * ZeRouteDtsAction sends a prepared action to the router library and
 * copies the router's return code and answer text into result.
 *
 * Router library, first that applies: the info's ROUTEMODULE when set (an
 * empty text too), TarnRpdb when DEMO_ROUTER is true, else TarnRout. Its
 * entry point is
 *     unsigned int router_client(DtsAction *action);
 * returning ZE_OK for success. From inside it the router reads the request
 * (fields 13, 1-7, 11, 14, 15, 22; 9 and 10 for deltas) and answers: text
 * with field 18; for a single-item request one field 12; for response kind
 * 15 one field 19 then one field 20 per row; for kind 3 one field 21 per
 * name.
 *
 * A refused value comes back from TarnRpdb and TarnRout as code
 * TARN_ROUTER_RC_VALUE_REFUSED with the text "<COLUMN>: <what is wrong>"
 * (TarnRouter.h). The column is the node's name for a field, which the user
 * does not know: when a descriptor is attached and one of its fields has
 * that REAL NAME (else NAME, ignoring case), result receives the text with
 * the field's NAME in its place ("COPIES: 100 is outside 1 to 99"). Any
 * other text goes into result as the router set it.
 *
 * Loading the answer:
 *   12  Fills the attached item with the descriptor's fields in header
 *       order: each field takes the answer column named like its REAL NAME
 *       (else its NAME), ignoring case, mapped to its display value; fields
 *       the answer lacks hold "", a NULL answer value leaves the field NULL,
 *       and a value that does not map is left out. Traces each value (a
 *       PASSWORD field's as "********") and
 *       "+++ Column <c> ignored; not defined in descriptor." for columns
 *       no field takes. ZE_RC_NO_HEADER without a descriptor header.
 *   19  Builds the descriptor's index array from the column names
 *       (ZeBuildIndexArray's code).
 *   20  Arranges the row in field order and appends it to the collection as
 *       a new item. A row with fewer values than the header has NULL for
 *       the missing ones (extra values are ignored). A row that cannot be
 *       arranged (a value that does not map) is dropped with
 *       "*** add_item_to_collection : Error loading descriptor item, rc = <rc>"
 *       and its code goes back to the router.
 * Without a descriptor, item or collection to load into, field 12 gives
 * ZE_OK and fields 19 and 20 give ZE_RC_INVALID_PARAMETER.
 * @{
 */
#define ZE_RC_ROUTER_FAILED 1u /**< the router returned a code other than 0 */
/** The node carried the request out, but the library could not finish its
 * own part after it (memory short): the router's message could not be kept
 * (result then holds code 0 and an empty message), or an object could not
 * be put back as it was. Treat the action as done. */
#define ZE_RC_ANSWER_LOST 13u
/** A request made of two, the define-based rename (ZeRenameDtsItemViaDefine),
 * stopped after the first: the item was copied to its new key, and the
 * item under the old key was not deleted (result holds the code and message
 * of the DELETE when it was sent). */
#define ZE_RC_PARTLY_DONE 14u

/**
 * Sends a prepared action to the router library with the command word and
 * the info; the router's code and answer text land in result.
 *
 * Codes: ZE_OK the router returned 0; ZE_RC_ROUTER_FAILED it returned
 * anything else (its code and text are in result); ZE_RC_INVALID_PARAMETER
 * ("Action", "Info", "Command", "Result"); ZE_RC_INFO_NO_USERNAME or
 * ZE_RC_INFO_NO_DESTNODE, the info lacks USERNAME or DESTNODE
 * (ZeCheckDtsInfo); ZE_RC_NO_MEMORY; ZE_RC_LOAD_FAILED the router library
 * cannot be loaded and ZE_RC_PROC_NOT_FOUND it has no router_client (both
 * traced "*** Unable to load <library>.router_client"). On the parameter,
 * info and loading codes result is untouched; so it is on ZE_RC_NO_MEMORY
 * before the router is called. When the router's message cannot be copied
 * into result after it ran (or memory ran short when the router set it),
 * traced "*** DTS Action Response <handle> - the router's message could not
 * be kept", result holds the router's code and an empty message, and the
 * code is ZE_RC_ANSWER_LOST when the router returned 0 (the node carried
 * the request out: the caller must not take it for a refusal), else
 * ZE_RC_ROUTER_FAILED. (A routing whose message copy fails is otherwise
 * reported as carried out with no trace of the failure; the caller would
 * read no message and take silence for the node's answer.)
 *
 * Outcomes. Each code says what the node did: ZE_OK and ZE_RC_ANSWER_LOST,
 * the request was carried out; ZE_RC_ROUTER_FAILED, what the router's code
 * in result says (TarnRouter.h: nothing changed, or with
 * TARN_ROUTER_RC_OUTCOME_UNKNOWN unknown); every other code, nothing was
 * sent, so nothing changed. The operations below pass these codes on and
 * keep to the same three meanings.
 */
ZE_API unsigned int ZeRouteDtsAction(DtsAction *action, DtsInfo *info, const char *command, DtsResult *result);
/** @} */

/* ============================================ item operations and lists */
/**
 * @defgroup dts_items Item operations and lists
 * Standard operations on remote items. Each builds an action from the
 * descriptor and the filter (request fields echoed, see
 * ZeSetDtsActionRequestFilter), routes it with its command word and lets
 * the answer land in the caller's item, collection or list item; the
 * router's code and text land in result.
 *
 * Codes: ZE_OK; ZE_RC_ROUTER_FAILED the router failed (its code and text are
 * in result); ZE_RC_INVALID_PARAMETER, reported under the function's own
 * name ("Command", "Descriptor", "Info", "Filter", "Item", "Collection",
 * "List", "Result"); otherwise the code of the step that failed
 * (ZE_RC_NO_MEMORY, ZE_RC_INFO_NO_USERNAME, ZE_RC_LOAD_FAILED, ... see
 * ZeRouteDtsAction; ZE_RC_TOO_SHORT to ZE_RC_NOT_BOOLEAN and the date codes
 * for a refused criterion, below).
 *
 * Selections. The requests that name items by criteria, SELECT, LIST and
 * DELETE (ZeOpenDtsCollection and its variants, ZeOpenDtsItem, the three
 * list operations, ZeDeleteDtsItem, and ZeActUponDtsItem with those
 * commands), check the criteria against the descriptor before anything is
 * sent and send them as the node is to read them:
 *   - on a field with VALID VALUES the value must be one of them (ignoring
 *     case); a pattern ('*' under EQ or NE, '*' matching any run, letters
 *     ignoring case) is sent as the display values it matches, one EQ
 *     criterion each (the routers OR them: the field holds one of them) or
 *     one NE each, and is refused when it matches none: "STATUS=Off*" goes
 *     out as PRN_STATUS EQ O;
 *   - on a field of another TYPE than TEXT the value must pass the check
 *     VALIDATE VALUE makes of that type (number form and LOW RANGE to UPPER
 *     RANGE, a date in the info's date format, a time of day, TRUE or
 *     FALSE), except MIN LENGTH and MAX LENGTH, which bound what a field
 *     holds rather than what it is compared with; a pattern is refused;
 *   - on an UPPERCASE (LOWERCASE) field the value is folded to that case,
 *     every Unicode letter as the nodes fold it ("LOCATION=bldg*" selects
 *     BLDG A ...).
 * An empty value, and a criterion whose column is no field, go out as
 * given. A refusal sends nothing and returns the code VALIDATE VALUE gives
 * for the value (ZE_RC_NOT_VALID_VALUE for a value not on the list or a
 * pattern that matches none), with that code and a message naming field
 * and value in result ("COPIES: abc is not a number from 1 to 99"), traced
 * as "*** Criterion <column> <relop> refused: <message>"; a refused list
 * operation leaves the list item empty. The check lives in these
 * operations, not in the generic object's handlers, so that every caller
 * gets it: the generic object, group objects and applications that call
 * the operations directly. ZeSetDtsActionRequestFilter still sends what it
 * is given. The values of DEFINE, ALTER, COPY and RENAME are sent as given:
 * the nodes refuse what a field cannot hold (TARN_ROUTER_RC_VALUE_REFUSED,
 * see ZeRouteDtsAction).
 * @{
 */

/** The worker of the single-item operations: sends `command`; the answer
 * row (field 12) fills item when one is given (NULL: nothing is loaded). */
ZE_API unsigned int ZeActUponDtsItem(const char *command, Descriptor *descriptor, DtsInfo *info, Filter *filter,
                                     Item *item, DtsResult *result);

/** Sends "DEFINE" with the filter's criteria (the router makes a new item of
 * them); the answer row fills item. */
ZE_API unsigned int ZeDefineDtsItem(Descriptor *descriptor, DtsInfo *info, Filter *filter, Item *item,
                                    DtsResult *result);

/** Sends "ALTER" with the filter's criteria (the router changes the item its
 * key names); the answer row fills item. */
ZE_API unsigned int ZeAlterDtsItem(Descriptor *descriptor, DtsInfo *info, Filter *filter, Item *item,
                                   DtsResult *result);

/** Sends "DELETE" with the filter's criteria (the router deletes the items
 * they match); loads no item. */
ZE_API unsigned int ZeDeleteDtsItem(Descriptor *descriptor, DtsInfo *info, Filter *filter, DtsResult *result);

/** Sends "SELECT" with the filter's criteria; the answer row fills item. */
ZE_API unsigned int ZeOpenDtsItem(Descriptor *descriptor, DtsInfo *info, Filter *filter, Item *item, DtsResult *result);

/** Sends "COPY" with the filter's criteria (the router copies the item the
 * key names to the new key they give); the answer row fills item. */
ZE_API unsigned int ZeCopyDtsItem(Descriptor *descriptor, DtsInfo *info, Filter *filter, Item *item, DtsResult *result);

/** Sends "RENAME" with the filter's criteria (the router gives the item the
 * key names the new key they give); the answer row fills item. */
ZE_API unsigned int ZeRenameDtsItem(Descriptor *descriptor, DtsInfo *info, Filter *filter, Item *item,
                                    DtsResult *result);

/** Fills item with the descriptor's DEF VALUEs in field order (NULL for a
 * field without one); routes nothing. ZE_OK; ZE_RC_NO_MEMORY;
 * ZE_RC_NO_HEADER without a header; ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeNewDtsItem(Descriptor *descriptor, DtsInfo *info, Item *item, DtsResult *result);

/**
 * Copies an item by defining a new one. For each KEY field the filter must
 * hold the key of the item to copy; when the field has a COPY TO pseudo
 * field, the filter's criterion on that pseudo field gives the new key. The
 * DEFINE goes out with (pseudo field EQ old key) and (key field EQ new key);
 * other criteria of the filter are not sent. A key field missing from the
 * filter is traced ("*** Key field <NAME> not specified in filter") and
 * left out; a missing pseudo field is traced ("*** Pseudo field <NAME> not
 * specified in filter") and the old key taken. The code of the DEFINE.
 */
ZE_API unsigned int ZeCopyDtsItemViaDefine(Descriptor *descriptor, DtsInfo *info, Filter *filter, Item *item,
                                           DtsResult *result);

/** ZeCopyDtsItemViaDefine, then, when it succeeded, a DELETE with the
 * filter's criteria on KEY fields (the old key), whose criteria are made
 * ready before the DEFINE goes out. The code of the DEFINE when it failed
 * (nothing changed), ZE_OK when both succeeded, else ZE_RC_PARTLY_DONE:
 * the copy exists and the old item too (or, with
 * TARN_ROUTER_RC_OUTCOME_UNKNOWN in result, may). */
ZE_API unsigned int ZeRenameDtsItemViaDefine(Descriptor *descriptor, DtsInfo *info, Filter *filter, Item *item,
                                             DtsResult *result);

/**
 * Empties the collection and sends "SELECT" with response kind 15; each
 * answer row becomes an item of the collection (values in field order, as
 * display values). On success the collection stands on its first item and
 * "<n> items in collection" is traced.
 */
ZE_API unsigned int ZeOpenDtsCollection(Descriptor *descriptor, DtsInfo *info, Filter *filter, Collection *collection,
                                        DtsResult *result);

/** ZeOpenDtsCollection under a second name: duplicates are kept. */
ZE_API unsigned int ZeOpenDtsCollectionWithDups(Descriptor *descriptor, DtsInfo *info, Filter *filter,
                                                Collection *collection, DtsResult *result);

/**
 * ZeOpenDtsCollection with the delta attached to the SELECT (field 8): a
 * delta request, which the routers TarnRpdb and TarnRout answer with one
 * page of rows (keyset paging on the key column, see TarnRpdb.h). Set the
 * delta's cursor and count first (ZeSetDtsDeltaFields: the key of the last
 * item of the previous page, or "" for the first page; the most rows, 0 for
 * all); afterwards the delta holds the cursor of the next page and the
 * number of rows sent. The delta stays the caller's; checked as "Delta"
 * (ZeIsValidDtsDelta). A router that ignores deltas answers every row.
 */
ZE_API unsigned int ZeOpenDtsCollectionPage(Descriptor *descriptor, DtsInfo *info, Filter *filter, DtsDelta *delta,
                                            Collection *collection, DtsResult *result);

/**
 * The same, then keeps only the first item of each group of items whose
 * KEY fields are equal (case-sensitive; a NULL value equals only NULL, as
 * ZeDescriptorKeysMatch compares), in their order; a descriptor without
 * key fields keeps only the first item. Traces "<n> items in collection"
 * before (also when the select failed, with the rows delivered so far) and,
 * on success, "<m> items after removing duplicates" after. Linear in the
 * number of rows. ZE_RC_NO_MEMORY when memory runs short while removing
 * (some duplicates then remain).
 */
ZE_API unsigned int ZeOpenDtsCollectionWithoutDups(Descriptor *descriptor, DtsInfo *info, Filter *filter,
                                                   Collection *collection, DtsResult *result);

/** @{ */
/**
 * Sends "LIST" (ZeGetDtsList) or "SELECT" (ZeGetDtsListViaSelect) with
 * response kind 3; the names the router sends (field 21), in arrival
 * order, become the values of the list item, which owns them. Names sent
 * before a router failure are delivered all the same; no names leave the
 * item with an empty array (count 0). The code of building or routing the
 * request; ZE_RC_NO_MEMORY when the names cannot be handed over (the item is
 * unchanged).
 */
ZE_API unsigned int ZeGetDtsList(Descriptor *descriptor, DtsInfo *info, Filter *filter, Item *list, DtsResult *result);
ZE_API unsigned int ZeGetDtsListViaSelect(Descriptor *descriptor, DtsInfo *info, Filter *filter, Item *list,
                                          DtsResult *result);
/** @} */

/**
 * The distinct values of one column over a full select. The column is
 * named by the filter's first criterion "<column> EQ *" (none:
 * ZE_RC_INVALID_PARAMETER, traced
 * "*** get_list_field_name_from_filter: no filter entry of form NAME EQ *");
 * the select carries the filter's other criteria (those whose value is not
 * exactly "*"). The values, case-sensitively distinct in the order first
 * met, become the list item's values. Codes: those of ZeGetFieldOrder
 * (ZE_RC_NO_ENTRY for a column the descriptor lacks), of
 * ZeOpenDtsCollection, and of ZeGetFieldListFromCollection (ZE_RC_NO_ENTRY
 * when the select found no rows: the list item is then empty).
 */
ZE_API unsigned int ZeGetDtsListFromCollection(Descriptor *descriptor, DtsInfo *info, Filter *filter, Item *list,
                                               DtsResult *result);
/** @} */

/* ============================================================== batches */
/**
 * @defgroup dts_batch Batches
 * A DtsBatch ("DTSBATCH") carries many item actions of one command to one
 * node as one request: a router that takes batches runs them in one
 * transaction with as few round trips as its store allows, instead of one
 * request, one transaction and one round trip per item. Each item keeps an
 * outcome of its own.
 *
 * A batch is the single-item operations done many times: the command is
 * one of "DEFINE", "ALTER", "DELETE", "COPY" and "RENAME", each item is the
 * filter the matching single-item operation takes (ZeDefineDtsItem, ...),
 * and each item's outcome is what that operation would have answered:
 * DELETE criteria are checked as that operation checks them (a refused
 * item is not sent and fails with the check's code), DEFINE items go out
 * as given (ZeSetupDtsDefineFilter adds the defaults first, as the generic
 * object's DEFINE ITEM does), and no answer row is loaded anywhere.
 *
 * Modes (ZeCreateDtsBatch):
 *   ZE_BATCH_BEST_EFFORT  each item on its own: a failing item is undone
 *                         alone and the batch goes on.
 *   ZE_BATCH_ATOMIC       all or nothing: one transaction; the first
 *                         failing item fails, the items before it are
 *                         undone, the items after it are not carried out.
 *   ZE_BATCH_STOP_AT_FAILURE  best effort up to the first failing item: the
 *                         items before it stand, the items after it are
 *                         not carried out (ZE_BATCH_NOT_RUN).
 * and for DEFINE, added to any of them:
 *   ZE_BATCH_SKIP_EXISTING    an item whose key is taken is left as it is
 *                             (state ZE_BATCH_SKIPPED), not a failure;
 *   ZE_BATCH_REPLACE_EXISTING an item whose key is taken is altered to the
 *                             item's values (ZE_BATCH_REPLACED).
 *
 * Ownership: the batch copies each item's criteria (the caller keeps its
 * filter); the command and the outcomes' messages are the batch's own,
 * borrowed by readers until the next run or ZeDestroyDtsBatch.
 *
 * Routers: ZeRunDtsBatch loads the entry point
 *     unsigned int router_batch(DtsAction *action);
 * beside router_client in the router library. It gets one action with the
 * command word (field 13), the info (fields 1-7, 22), no request fields of
 * its own (field 11 gives ZE_RC_NO_ENTRY), the item count and mode (field
 * 23) and each item's request fields (field 24, mapped as field 11 maps
 * them); it sets each item's state, router code and message (field 25),
 * field 18 with a summary or the failing item's text, and returns 0 when
 * every item was carried out or skipped. A router library without
 * router_batch gets the items one by one through router_client (best effort
 * only: an atomic batch then fails with ZE_RC_NOT_ATOMIC, nothing sent).
 * TarnRpdb and TarnRout take batches: they run the items in chunks of 256,
 * a chunk of DEFINE items that give the same fields (as
 * ZeSetupDtsDefineFilter makes them) as one multi-row INSERT on SQLite and
 * one COPY on PostgreSQL, a chunk of DELETE items that each name one key
 * as one DELETE; a chunk that fails so (or misses a key) is run again item
 * by item, so that every item gets the outcome it would get alone.
 *
 * Threads: a batch is used by one thread at a time, like the objects.
 * @{
 */

/** @name Modes
 * @{ */
#define ZE_BATCH_BEST_EFFORT      0u /**< each item on its own; the batch goes on after a failure */
#define ZE_BATCH_ATOMIC           1u /**< one transaction: every item, or none */
#define ZE_BATCH_SKIP_EXISTING    2u /**< DEFINE: an item whose key is taken is skipped */
#define ZE_BATCH_REPLACE_EXISTING 4u /**< DEFINE: an item whose key is taken is altered instead */
#define ZE_BATCH_STOP_AT_FAILURE  8u /**< best effort up to the first failing item; the rest is not carried out */
/** @} */

/** @name Outcome states of an item
 * @{ */
#define ZE_BATCH_NOT_RUN  0u /**< not carried out: the batch has not run, or stopped before it */
#define ZE_BATCH_DONE     1u /**< carried out */
#define ZE_BATCH_SKIPPED  2u /**< its key was taken and it was left alone (ZE_BATCH_SKIP_EXISTING) */
#define ZE_BATCH_REPLACED 3u /**< its key was taken and the item was altered (ZE_BATCH_REPLACE_EXISTING) */
#define ZE_BATCH_FAILED   4u /**< refused; its code and message tell why */
#define ZE_BATCH_UNDONE   5u /**< carried out, then undone because another item of an atomic batch failed */
/** @} */

/** The router library cannot carry a batch out as one transaction. */
#define ZE_RC_NOT_ATOMIC 16u

/**
 * A new, empty batch of `command` ("DEFINE", "ALTER", "DELETE", "COPY",
 * "RENAME", any case) in the mode given (ZE_BATCH_BEST_EFFORT or
 * ZE_BATCH_ATOMIC or ZE_BATCH_STOP_AT_FAILURE, plus for DEFINE
 * ZE_BATCH_SKIP_EXISTING or ZE_BATCH_REPLACE_EXISTING). ZE_OK;
 * ZE_RC_NO_MEMORY (NULL stored); ZE_RC_INVALID_PARAMETER for another
 * command, an unknown mode bit, atomic with stop-at-failure, both
 * existing-key modes, or an existing-key mode on another command than DEFINE.
 */
ZE_API unsigned int ZeCreateDtsBatch(const char *command, unsigned int mode, DtsBatch **pBatch);

/** Releases the batch, its items and their outcomes: ZE_OK; ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeDestroyDtsBatch(DtsBatch *batch);

/** 1 for a batch; else traces "*** Invalid DTS Batch Object encountered." and gives 0. */
ZE_API int ZeIsValidDtsBatch(DtsBatch *batch);

/** Appends an item: a copy of the filter's criteria, in order, with state
 * ZE_BATCH_NOT_RUN. ZE_OK; ZE_RC_NO_MEMORY (the batch is unchanged);
 * ZE_RC_INVALID_PARAMETER ("Batch", "Filter"). */
ZE_API unsigned int ZeAddDtsBatchItem(DtsBatch *batch, Filter *filter);

/** The number of items in *pCount: ZE_OK; ZE_RC_INVALID_PARAMETER. */
ZE_API unsigned int ZeGetDtsBatchSize(DtsBatch *batch, unsigned int *pCount);

/**
 * The outcome of item `index` (from 0, in the order added): its state
 * (ZE_BATCH_...), the code the single-item operation would have returned
 * (ZE_OK; ZE_RC_ROUTER_FAILED when the node refused it; a check's code
 * when it was refused before sending), the router's code (0 unless the
 * node refused it or skipped or replaced it: then TARN_ROUTER_RC_... of
 * TarnRouter.h) and its message (borrowed, "" when none). Any out-pointer
 * may be NULL. ZE_OK; ZE_RC_INVALID_PARAMETER ("Batch", "Index").
 */
ZE_API unsigned int ZeGetDtsBatchOutcome(DtsBatch *batch, unsigned int index, unsigned int *pState, unsigned int *pCode,
                                         unsigned int *pNodeCode, const char **pMessage);

/**
 * Maps every item's criteria for the node (a DELETE's checked first), the
 * first step of ZeRunDtsBatch, ahead of the run: a thread that makes
 * batches can map the next one while another thread runs the one before.
 * Every outcome is cleared; an item refused here is ZE_BATCH_FAILED with
 * its code and the result's message. The next ZeRunDtsBatch with the same
 * descriptor sends the items as mapped here (without mapping them again);
 * adding an item, or a run with another descriptor, maps afresh.
 *
 * Codes: ZE_OK; the code of an item an atomic batch cannot send; ZE_RC_NO_MEMORY;
 * ZE_RC_INVALID_PARAMETER ("Batch", "Descriptor", "Info", "Result"). After
 * any code but ZE_OK the next run maps the items itself. The info is only
 * read; the result gets the message of a refused item.
 */
ZE_API unsigned int ZePrepareDtsBatch(DtsBatch *batch, Descriptor *descriptor, DtsInfo *info, DtsResult *result);

/**
 * Carries the batch out on the info's node: every item's outcome is set
 * afresh (a batch can be run again, with all its items). An empty batch
 * sends nothing and gives ZE_OK.
 *
 * Codes: ZE_OK every item was carried out, skipped or replaced;
 * ZE_RC_ROUTER_FAILED at least one item failed (best effort: the others
 * stand; atomic: nothing stands), with the first failing item's code and
 * message in result; ZE_RC_NOT_ATOMIC an atomic batch for a router without
 * router_batch; otherwise the code of the step that failed before anything
 * was sent (ZE_RC_INVALID_PARAMETER "Batch", "Descriptor", "Info",
 * "Result"; ZE_RC_NO_MEMORY; ZE_RC_INFO_NO_USERNAME, ZE_RC_INFO_NO_DESTNODE,
 * ZE_RC_LOAD_FAILED, ZE_RC_PROC_NOT_FOUND as ZeRouteDtsAction gives them),
 * every item then ZE_BATCH_NOT_RUN. When an atomic batch is refused
 * before sending (a DELETE criterion its check refuses), that item is
 * ZE_BATCH_FAILED and the others ZE_BATCH_NOT_RUN.
 */
ZE_API unsigned int ZeRunDtsBatch(DtsBatch *batch, Descriptor *descriptor, DtsInfo *info, DtsResult *result);
/** @} */

#ifdef __cplusplus
}
#endif

#endif /* ZEDTS_H */
