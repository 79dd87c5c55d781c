/**
 * @file
 * ZeValidate.h - validation of one value typed for one field of a
 * descriptor, with checks chosen by the field's TYPE.
 *
 * Checks by TYPE (case ignored):
 *   TEXT             MIN/MAX LENGTH, UPPERCASE or LOWERCASE, VALID VALUES
 *   DATE             the date service with the given date format (ZeDate.h)
 *   TIME             hh:mm[:ss[.hh]], hours 0-23, minutes and seconds 0-59,
 *                    hundredths 0-99; an empty hour or minute ("12:", ":30")
 *                    counts as missing (ZE_RC_TIME_FORMAT), no length check
 *   INT, TIME_T      an unsigned decimal number within MAX LENGTH and
 *                    LOW RANGE to UPPER RANGE
 *   REAL             a real number within MAX LENGTH and the range
 *   BOOL             "TRUE" or "FALSE" (case ignored)
 *   ASTORNUM         "*" or an INT value
 *   any other type   MIN/MAX LENGTH, then VALID VALUES (the general check)
 *
 * Lengths count characters of the value trimmed of blanks. A field without
 * MAX LENGTH has a maximum of 0: it accepts no non-empty text value. Numbers
 * beyond 32 bits are clamped (to 2147483647), so they fail any range that
 * does not reach the clamped value. A range bound that is not a number
 * counts as 0; a range with an absent or empty bound is not checked.
 * Every refusal is a code with its trace lines; the descriptor is unchanged.
 * The value of a field with the PASSWORD attribute appears in no trace line
 * (shown as "********") and the working copy of it is cleared before release.
 */
#ifndef ZEVALIDATE_H
#define ZEVALIDATE_H

#include "ZeTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

/** @name Validation codes
 * @{ */
#define ZE_RC_TOO_SHORT       300u /**< shorter than MIN LENGTH */
#define ZE_RC_TOO_LONG        301u /**< longer than MAX LENGTH */
#define ZE_RC_NOT_VALID_VALUE 302u /**< not one of the VALID VALUES */
#define ZE_RC_NOT_UPPERCASE   303u /**< not all upper case (UPPERCASE field) */
#define ZE_RC_NOT_LOWERCASE   304u /**< not all lower case (LOWERCASE field) */
#define ZE_RC_TIME_FORMAT     305u /**< time without at least hours and minutes */
#define ZE_RC_BAD_HOUR        306u /**< hours not 0 to 23 */
#define ZE_RC_BAD_MINUTE      307u /**< minutes not 0 to 59 */
#define ZE_RC_BAD_SECONDS     308u /**< seconds or hundredths */
#define ZE_RC_NOT_IN_RANGE    310u /**< not a number, or outside LOW RANGE to UPPER RANGE */
#define ZE_RC_NOT_REAL        311u /**< a real that does not convert */
#define ZE_RC_NOT_BOOLEAN     312u /**< neither TRUE nor FALSE */
/** @} */

/**
 * Checks Value for the field named FieldName (case-sensitive) of the descriptor.
 * The empty Value is always accepted (also for an unknown field); any other
 * value is trimmed first. dateFormat is used for DATE fields only, where it
 * must not be NULL or empty ("*** validate_date_field: parameter 1 (Format)
 * is invalid", ZE_RC_INVALID_PARAMETER). Checks "Descriptor", "Field" (not
 * empty), "Value". Returns ZE_OK; a validation code (ZE_RC_TOO_SHORT to
 * ZE_RC_NOT_BOOLEAN); ZE_RC_DATE_SERVICE, ZE_RC_DATE_FORMAT or
 * ZE_RC_DATE_INVALID from the date service; ZE_RC_NO_ENTRY when no field has
 * the name; ZE_RC_NO_MEMORY; ZE_RC_INVALID_PARAMETER.
 */
ZE_API unsigned int ZeValidateValue(Descriptor *descriptor, const char *dateFormat, const char *FieldName,
                                    const char *Value);

#ifdef __cplusplus
}
#endif

#endif /* ZEVALIDATE_H */
