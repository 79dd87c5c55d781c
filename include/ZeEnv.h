/**
 * @file
 * ZeEnv.h - the environment table, platform names, loading procedures from
 * run-time libraries and data file paths.
 *
 * The table of ten variables is filled once, on the first ZeEnv or
 * ZeEnvBool call: each name is asked of the kvsenv module (KVgetenv or
 * KVgetopt), then of the process environment (TARN_DATA_DIR falls back to
 * KVRGLBL0000 instead). Values are cut to 259 characters. Later changes of
 * the environment are not seen.
 */
#ifndef ZEENV_H
#define ZEENV_H

#include "ZeTypes.h"

#ifdef __cplusplus
extern "C" {
#endif

/** Indexes of the environment table. */
enum {
    ZE_ENV_KVRGLBL0000 = 0,       /**< fallback for the data directory */
    ZE_ENV_DEMO_ROUTER = 1,       /**< true: route through TarnRpdb */
    ZE_ENV_TARN_DATA_DIR = 2,     /**< data directory */
    ZE_ENV_KV_KVRDEBUG = 3,       /**< available to routers */
    ZE_ENV_KV_ROUTER_DEBUG = 4,   /**< routers: trace each SQL statement */
    ZE_ENV_KV_ROUTER_TIMEOUT = 5, /**< routers' time limit, from KVgetopt */
    ZE_ENV_KV_KVRMESSAGE = 6,     /**< available to routers */
    ZE_ENV_KVR_DATEFMT = 7,       /**< default date format */
    ZE_ENV_KV_ROUTER_AGENTS = 8,  /**< connections kept per node, from KVgetopt */
    ZE_ENV_KV_ROUTER_WAIT = 9,    /**< seconds before a retry, from KVgetopt */
    ZE_ENV_COUNT = 10             /**< the number of variables */
};

/** Bytes of a value's buffer: 259 characters and the terminator. */
#define ZE_ENV_VALUE_SIZE 260

/** The value of variable `index` (empty when it has none), NULL for an index outside 0 to 9. */
ZE_API const char *ZeEnv(int index);

/** The variable name of an index ("KVRGLBL0000" ...), NULL outside 0 to 9. */
ZE_API const char *ZeEnvName(int index);

/** 1 when the value is exactly "1", "ON", "YES" or "TRUE" (case counts), else 0. */
ZE_API int ZeEnvBool(int index);

/** Identifier of a platform name (ignoring case): 0 WNT, 1 SOLARIS, 2 HPUX,
 * 3 AIX, 4 NETWARE, 5 TANDEM, 6 AS/400, 7 DGUX, 8 SVR4MP, 9 DECOSF1,
 * 10 MISERVER, 11 DYNIX, 12 SINIX; -1 for any other. */
ZE_API int ZePlatformID(const char *name);

/** 1 for the Unix platforms, else 0 (also, after the check's trace, for NULL or empty). */
ZE_API int ZePlatformIsUnix(const char *name);

/** Loads a library and finds a procedure in it: ZE_OK; ZE_RC_LOAD_FAILED the
 * library cannot be loaded; ZE_RC_PROC_NOT_FOUND the procedure is missing.
 * Stores the procedure (or NULL) when pRoutine is given. Traces nothing; the
 * library stays loaded for the life of the process. */
ZE_API unsigned int ZeLoadRoutine(const char *moduleName, const char *procedureName, TarnProc *pRoutine);

/** Joins the data directory and fileName with '/' into buffer (size bytes):
 * ZE_OK; 1 when the data directory is not set (traced) or the path does not fit
 * in 259 characters or in the buffer (traced; the buffer then holds ""). */
ZE_API unsigned int ZeBuildDataFilename(const char *fileName, char *buffer, unsigned int size);

#ifdef __cplusplus
}
#endif

#endif /* ZEENV_H */
