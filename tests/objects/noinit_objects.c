/* TarnNoInitObjs: a tests-only library that loads but exports no init procedure. */
#include "tarnsrvc.h"

ZE_API int TarnNoInitObjsVersion(void) { return 1; }
