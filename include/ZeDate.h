/**
 * @file
 * ZeDate.h - date formats and date checks through the suite's date service.
 *
 * This library does not parse dates itself: each check loads the date
 * service (entry point vrndate of the module kvscomn), opens it, hands it
 * the format and the date, closes it and unloads the module again. Checks
 * share process-wide state (the module, its entry point and the service
 * handle), so they take turns: a check made while another runs, in another
 * thread, waits for it (the routers check a request's dates while they
 * carry it out, which may be while an application validates a value).
 *
 * Loading and unloading the module for every check costs far more than
 * the check: a program about to check many dates (an import, a router
 * carrying out a batch) holds the service with ZeDateHoldService. While it
 * is held the service stays loaded and open from one check to the next;
 * each check still hands the service its format unless the service has
 * it already (and, when the format is refused, opens the service again, so
 * that the date is checked against the default format as always), so its
 * answers and traces are the same. The service is closed and the module
 * unloaded when the last hold is released.
 *
 * Date formats the kvscomn service accepts
 *   Fields, in any order, each exactly once, letters in any case:
 *     dd    day of the month
 *     mm    month number
 *     mmm   English month name in three letters (Jan ... Dec, any case)
 *     yy    year in two digits: 00-68 are 2000-2068, 69-99 are 1969-1999
 *     yyyy  year in four digits, 0001-9999
 *   Any other run of letters ("d", "mmmm", "yyy", "hh") and any digit is
 *   refused. Every other printable character is a separator; between two
 *   fields stand 0 to 4 of them, and the format begins and ends with a
 *   field: "mm/dd/yyyy", "dd.mm.yyyy", "dd-mmm-yy", "yyyymmdd",
 *   "mmm dd, yyyy".
 * Dates
 *   Separators must appear exactly as in the format. dd and mm take one or
 *   two digits where a separator or the end follows them, exactly two where
 *   another field follows directly ("yyyymmdd"). The day must exist in its
 *   month, with Gregorian leap years (divisible by 4, and not by 100 unless
 *   by 400). Nothing else may stand before or after the date, blanks
 *   included.
 *
 * Edge cases
 *   - A NULL format or date is taken as the empty text, which the service
 *     refuses (ZE_RC_DATE_FORMAT and ZE_RC_DATE_INVALID).
 *   - A format longer than 31 characters is refused by this library without
 *     asking the service: ZE_RC_DATE_FORMAT with the trace
 *     "**** ZeDate : Invalid Date format, longer than 31 characters".
 *   - A date longer than 127 characters is refused the same way:
 *     ZE_RC_DATE_INVALID with
 *     "**** ZeDateValidate : invalid date, longer than 127 characters, date = >%s<".
 *   - When the format is refused, ZeDateValidate still has the date checked,
 *     against "mm/dd/yyyy" (the service's format until one is accepted):
 *     ZE_RC_DATE_FORMAT when that check passes, ZE_RC_DATE_INVALID when it
 *     fails.
 *   - When the service handle cannot be allocated the service refuses to
 *     open: ZE_RC_DATE_SERVICE, and the module stays loaded for the next
 *     check.
 */
#ifndef ZEDATE_H
#define ZEDATE_H

#include "ZeTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

/** @name Codes of the date checks
 * @{ */
#define ZE_RC_DATE_SERVICE 250u /**< the date service could not be opened */
#define ZE_RC_DATE_FORMAT  251u /**< the service refused the date format */
#define ZE_RC_DATE_INVALID 252u /**< the service refused the date */
/** @} */

/** The default date format: the value of KVR_DATEFMT (ZeEnv(ZE_ENV_KVR_DATEFMT))
 * when it is not empty, else "mm/dd/yyyy". Borrowed, never NULL. */
ZE_API const char *ZeDateDefaultFormat(void);

/** Asks the date service whether it accepts `format`: ZE_OK;
 * ZE_RC_DATE_SERVICE the service cannot be loaded or opened;
 * ZE_RC_DATE_FORMAT the format is refused (traced with the service's
 * message). No parameter check. */
ZE_API unsigned int ZeDateVerifyFormat(const char *format);

/** Asks the date service whether `value` is a date of `format`: ZE_OK;
 * ZE_RC_DATE_SERVICE the service cannot be loaded or opened;
 * ZE_RC_DATE_FORMAT the format is refused and the date passes the service's
 * default format; ZE_RC_DATE_INVALID the date is refused (traced with the
 * service's message). No parameter check. */
ZE_API unsigned int ZeDateValidate(const char *format, const char *value);

/** Holds the date service: until the matching ZeDateReleaseService, date
 * checks leave the service loaded for the next check instead of closing
 * it and unloading kvscomn. Holds nest (a count, process-wide); each must
 * be released. Loads nothing itself: the first check after it does.
 * Returns ZE_OK. */
ZE_API unsigned int ZeDateHoldService(void);

/** Ends a hold of ZeDateHoldService. When it was the last one and a check
 * left the service open, closes the service and unloads kvscomn, as the
 * check itself would have. ZE_OK; ZE_RC_NO_ENTRY when no hold is left to
 * release. */
ZE_API unsigned int ZeDateReleaseService(void);

#ifdef __cplusplus
}
#endif

#endif /* ZEDATE_H */
