/*
 * ZeDts.h - remote requests: the request info that goes with every request,
 * and the result and message objects that carry a request's outcome.
 * Each family has its own section below; action requests, routing, item
 * operations and logon add theirs after these.
 *
 * Every function that does work returns an unsigned code (0 success; the
 * shared codes of ZeTypes.h; the family codes below). A parameter that is
 * not acceptable gives 4 and one trace line
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
/*
 * A DtsInfo ("DTSINFO") is a bag of nine optional strings addressed by
 * field number. Each stored value is the info's own copy; a value read with
 * ZeDtsInfoField is borrowed and valid until that field is set again or the
 * info is destroyed.
 */

/* Field numbers; also the order of every loop over the fields. */
#define ZE_INFO_OBJECT 1u      /* managed object kind the request addresses */
#define ZE_INFO_PLATFORM 2u    /* platform of the destination */
#define ZE_INFO_VERSION 3u     /* version of the object definitions */
#define ZE_INFO_LANGUAGE 4u    /* language code */
#define ZE_INFO_USERNAME 5u    /* user the request is made for; required */
#define ZE_INFO_DESTNODE 6u    /* node that carries out the request; required */
#define ZE_INFO_ROUTENODE 7u   /* node the request is routed through */
#define ZE_INFO_ROUTEMODULE 8u /* router library to load instead of the default */
#define ZE_INFO_DATEFORMAT 9u  /* date format of date values */
#define ZE_INFO_FIELD_COUNT 9u

/* Codes of the request info. */
#define ZE_RC_INFO_CRITERION_NOT_EQ 8u /* a filter criterion for an info field is not "EQ" */
#define ZE_RC_INFO_NO_USERNAME 11u     /* USERNAME is missing */
#define ZE_RC_INFO_NO_DESTNODE 12u     /* DESTNODE is missing */

/* A new info with every field NULL: 0; 3 (NULL stored) when memory is short. */
ZE_API unsigned int ZeCreateDtsInfo(DtsInfo **pInfo);

/* Frees the fields and the info; the caller's handle dangles afterwards. */
ZE_API unsigned int ZeDestroyDtsInfo(DtsInfo *info);

/* 1 for an info; else traces "*** Invalid DTS Info Object encountered" and gives 0. */
ZE_API int ZeIsValidDtsInfo(DtsInfo *info);

/*
 * Replaces a field (1 to 9) with a copy of value; NULL clears it. 3 when
 * the copy cannot be made: the field is NULL then. A field number outside
 * 1 to 9 is reported as an invalid parameter 2 ("Field") and gives 4.
 * Setting a field to its own current value is safe.
 */
ZE_API unsigned int ZeSetDtsInfoField(DtsInfo *info, unsigned int field, const char *value);

/* The field's value (borrowed, may be NULL); NULL for an invalid info or a
 * field number outside 1 to 9 (reported like the setter's). */
ZE_API const char *ZeDtsInfoField(DtsInfo *info, unsigned int field);

/*
 * Checks that the info can be routed: 11 when USERNAME is NULL or empty, 12
 * when DESTNODE is (each with a trace line); then an empty DATEFORMAT is
 * filled with ZeDateDefaultFormat() and the code of that set returned.
 */
ZE_API unsigned int ZeCheckDtsInfo(DtsInfo *info);

/* Copies all nine fields of src into dest in field order (fields NULL in
 * src become NULL in dest); a non-NULL newObjectName is stored as OBJECT
 * instead of src's. Stops at the first failing field with its code. */
ZE_API unsigned int ZeCopyDtsInfo(DtsInfo *dest, DtsInfo *src, const char *newObjectName);

/*
 * For each field in order, the filter's first criterion whose column is the
 * field's name ("OBJECT" ... "DATEFORMAT", ignoring case) sets the field to
 * its value. Criteria on other columns are ignored. A criterion for a field
 * whose operator is not "EQ" stops with 8; fields set before it keep their
 * new values. A failing set stops with its code.
 */
ZE_API unsigned int ZeSetDtsInfoFromFilter(DtsInfo *info, Filter *filter);

/* Traces "<prefix>Info:" and one line "<prefix>   <NAME right-aligned in
 * 12> : <value>" per field, "<None>" for a NULL field. A NULL prefix is
 * empty; a NULL or foreign handle writes nothing. */
ZE_API void ZeDumpDtsInfo(DtsInfo *info, const char *prefix);

/* ================================================= results and messages */
/*
 * A DtsMessage ("DTSMESSAGE") holds one text and its length; a DtsResult
 * ("DTSRESULT") holds a code and a message of its own. Texts read from them
 * are borrowed and valid until the next set on the same object.
 *
 * The functions that take pArgs read their out-pointer as the next argument
 * of a caller's argument list (a va_list *, as handlers receive it) and
 * leave the list one argument further on; the argument is taken even when
 * the object turns out to be invalid.
 */

/* A message holding "": 0; 3 (NULL stored) when memory is short. */
ZE_API unsigned int ZeCreateDtsMsg(DtsMessage **pMsg);
ZE_API unsigned int ZeDestroyDtsMsg(DtsMessage *msg);

/* 1 for a message; else traces "*** Invalid DTS Msg Object encountered" and gives 0. */
ZE_API int ZeIsValidDtsMsg(DtsMessage *msg);

/* Replaces the text with a copy of buffer (NULL gives 4: pass "" to clear).
 * When the copy cannot be made: 3, the text is NULL and the length keeps
 * its old value until the next successful set. */
ZE_API unsigned int ZeSetDtsMsgBuffer(DtsMessage *msg, const char *buffer);

/* Stores the message's own text (borrowed; NULL only after a failed set). */
ZE_API unsigned int ZeGetDtsMsgBuffer(DtsMessage *msg, const char **pBuffer);

/* Takes a const char ** from the list and does ZeGetDtsMsgBuffer with it. */
ZE_API unsigned int ZeQueryDtsMsgBuffer(DtsMessage *msg, va_list *pArgs);

/* Sets dest's text to a copy of src's: the code of the get, else of the set. */
ZE_API unsigned int ZeDuplicateDtsMsg(DtsMessage *dest, DtsMessage *src);

/* Traces "<prefix>Message Length: <n> Message Buffer: <text>" ("<None>"
 * for a NULL text). A NULL prefix is empty; a NULL or foreign handle writes nothing. */
ZE_API void ZeDumpDtsMsg(DtsMessage *msg, const char *prefix);

/* A result with code 0 and an empty message: 0; 3 (NULL stored) when memory is short. */
ZE_API unsigned int ZeCreateDtsResult(DtsResult **pResult);

/* Destroys the result and its message: the code of destroying the message. */
ZE_API unsigned int ZeDestroyDtsResult(DtsResult *result);

/* 1 for a result; else traces "*** Invalid DTS Result Object encountered." and gives 0. */
ZE_API int ZeIsValidDtsResult(DtsResult *result);

/* Stores code and a copy of text (NULL: ""): the code of setting the text. */
ZE_API unsigned int ZeSetDtsResultFields(DtsResult *result, unsigned int code, const char *text);

/* Stores the code and the message text (borrowed; never NULL: "" at worst). */
ZE_API unsigned int ZeGetDtsResultFields(DtsResult *result, unsigned int *pCode, const char **pMessage);

ZE_API unsigned int ZeSetDtsResultCode(DtsResult *result, unsigned int code);

/* Copies msg's text into the result's own message (ZeDuplicateDtsMsg). */
ZE_API unsigned int ZeSetDtsResultMessage(DtsResult *result, DtsMessage *msg);

/* Take an unsigned int * / a const char ** from the list and fill it
 * through ZeGetDtsResultFields: that code. */
ZE_API unsigned int ZeGetDtsResultCode(DtsResult *result, va_list *pArgs);
ZE_API unsigned int ZeGetDtsResultMessage(DtsResult *result, va_list *pArgs);

#ifdef __cplusplus
}
#endif

#endif /* ZEDTS_H */
