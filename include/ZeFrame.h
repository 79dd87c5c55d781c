/**
 * @file
 * ZeFrame.h - parameter checking shared by every exported function.
 *
 * Both functions take the calling function's name, the number N of
 * parameters, then N pairs: the parameter's name (const char *, may be NULL)
 * and its validity flag (int, 0 = invalid). They stop at the first invalid
 * parameter, trace one line and return ZE_RC_INVALID_PARAMETER; they return
 * ZE_OK when all are valid (and when N is 0).
 */
#ifndef ZEFRAME_H
#define ZEFRAME_H

#include "ZeTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

/** Traces "*** <function>: parameter <n> (<name>) is invalid" (cut to 255 characters). */
ZE_API unsigned int ZeAssertValidParameters(const char *functionName, unsigned int count, ...);

/** For callers outside the library: traces "<function> parameter <n> (<name>) is invalid";
 * a NULL name prints as a single blank. */
ZE_API unsigned int ZeReportInvalidParameters(const char *functionName, unsigned int count, ...);

#ifdef __cplusplus
}
#endif

#endif /* ZEFRAME_H */
