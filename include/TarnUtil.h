/**
 * @file
 * TarnUtil.h - the suite's utility library: tagged memory blocks with
 * accounting and failure injection, eye-catchers, in-place string helpers,
 * doubly linked lists, files, run-time modules, environment and trace.
 *
 * Compiles as C11 and as C++. All functions have C linkage.
 * Nothing here is thread-safe: the suite runs on the caller's thread.
 */
#ifndef TARNUTIL_H
#define TARNUTIL_H

#include <stddef.h>
#include <stdio.h>
#include <time.h>

/** @def TARN_API
 * Marks the declarations of the exported functions (default visibility). */
/** @def TARN_PRINTF
 * Lets the compiler check a printf-style format (argument numbers, from 1). */
#if defined(__GNUC__)
#define TARN_API               __attribute__((visibility("default")))
#define TARN_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define TARN_API
#define TARN_PRINTF(fmt, args)
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---------------------------------------------------------------- memory */

/** A zero-filled block of `size` bytes tagged with the caller's source file
 * and line, or NULL when memory is short (or a failure is injected). Blocks
 * of up to about 500 bytes are aligned to 8 bytes and recycled through lists
 * kept per thread; larger ones are aligned to 16. Any thread may free a block.
 * With TARN_LEAKS=1 in the environment at load, the blocks still in use at
 * exit are listed on stderr with the source line that made each. */
TARN_API void *TarnAllocBlock(size_t size, const char *file, int line);

/** Releases *pBlock (NULL is accepted) and sets *pBlock to NULL. A pointer that
 * is not a live block is traced and left alone. */
TARN_API void TarnFreeBlock(void **pBlock, const char *file, int line);

/** A block holding a copy of `text`, or NULL when text is NULL or memory is short. */
TARN_API char *TarnDuplicateString(const char *text, const char *file, int line);

/** Blocks allocated and not yet freed. */
TARN_API unsigned long TarnBlocksInUse(void);

/** Blocks handed out since the process started (a count, not a balance). */
TARN_API unsigned long TarnBlocksAllocated(void);

/** Lets `after` more allocations succeed, then fails the next `count`
 * (-1: all of them). after < 0 turns injection off. */
TARN_API void TarnSetAllocFailure(long after, long count);

/* ---------------------------------------------------------- eye-catchers */

/** Bytes of the eye-catcher area at the start of a block. */
#define TARN_EYE_CATCHER_SIZE 16

/** Writes `name` (at most 15 characters, the rest zero) into the opening
 * 16-byte area of `block`. */
TARN_API void TarnSetEyeCatcher(void *block, const char *name);

/** Nonzero when the opening 16-byte area of `block` holds exactly `name`. */
TARN_API int TarnValidEyeCatcher(const void *block, const char *name);

/* --------------------------------------------------------------- strings */

/** Size of the library's fixed formatting buffers (TarnFormatStr). */
#define TARN_FORMAT_BUFFER_SIZE 256

/** strcpy that accepts overlapping texts and copies "" for a NULL `from`;
 * returns `to` (NULL `to` copies nothing). */
TARN_API char *TarnCopyStr(char *to, const char *from);

/** Copies at most size - 1 characters of `from` and always terminates `to`
 * (size is the room of `to`; 0 writes nothing). Returns `to`. */
TARN_API char *TarnCopyNCharOfStr(char *to, const char *from, size_t size);

/** strcat: appends `from` to `to`, which must have room; NULL texts append
 * nothing. Returns `to`. */
TARN_API char *TarnAppendStr(char *to, const char *from);

/** Length of `text`; 0 for NULL. */
TARN_API size_t TarnLengthOfStr(const char *text);

/** @{ */
/** Comparisons: with case, ignoring case, and of the first n characters of
 * each. 0 when equal, negative or positive as strcmp; NULL sorts before
 * every text. */
TARN_API int TarnCompareStr(const char *a, const char *b);
TARN_API int TarnCompareNoCaseStr(const char *a, const char *b);
TARN_API int TarnCompareNCharOfStr(const char *a, const char *b, size_t n);
TARN_API int TarnCompareNoCaseNCharOfStr(const char *a, const char *b, size_t n);
/** @} */

/** @{ */
/** In place: to upper case, to lower case, trimmed at both ends. Each
 * returns `text`. Trimming removes blanks, tabs, CR and LF. */
TARN_API char *TarnUpperCaseStr(char *text);
TARN_API char *TarnLowerCaseStr(char *text);
TARN_API char *TarnTrimStr(char *text);
/** @} */

/** @{ */
/** First occurrence of a character, of a text, or NULL. */
TARN_API char *TarnFirstCharInStr(const char *text, int c);
TARN_API char *TarnFirstStrInStr(const char *text, const char *s);
/** @} */
/** The character after `p` (p itself at the terminator). */
TARN_API char *TarnNextCharInStr(const char *p);
/** Number of non-overlapping occurrences of `s` in `text`. */
TARN_API int TarnCountStrInStr(const char *text, const char *s);
/** Replaces every `from` by `to`; returns the number replaced. */
TARN_API int TarnReplaceCharInStr(char *text, int from, int to);

/** Cuts the next token of *pCursor in place and returns it. Every separator
 * ends a token, so two separators in a row yield an empty token and a text
 * ending with a separator yields a final empty token. After the last token
 * *pCursor is NULL; with *pCursor NULL the result is NULL. */
TARN_API char *TarnNextTokenInStr(char **pCursor, const char *delimiters);

/** @{ */
/** Decimal conversions of a leading number (blanks and a sign allowed);
 * 0 when there is none. Integers beyond 32 bits are clamped. */
TARN_API int TarnIntFromStr(const char *text);
TARN_API double TarnRealFromStr(const char *text);
/** @} */
/** Writes `value` in `radix` (2 to 36) into buffer; returns buffer. */
TARN_API char *TarnUlongToStr(unsigned long value, char *buffer, int radix);

/** printf into a buffer of TARN_FORMAT_BUFFER_SIZE bytes: longer output is
 * truncated and always terminated. Returns the number of characters written. */
TARN_API int TarnFormatStr(char *buffer, const char *format, ...) TARN_PRINTF(2, 3);
/** The same into a buffer of `size` bytes. */
TARN_API int TarnFormatStrN(char *buffer, size_t size, const char *format, ...) TARN_PRINTF(3, 4);

/** Library text to single-byte text (1) or back (0). Text is 8-bit in this
 * build: both directions copy bytes unchanged. The target must have room. */
TARN_API char *TarnConvertStr(char *target, const char *source, int direction);
/** The same into a target of `size` bytes, truncated and terminated. */
TARN_API char *TarnConvertStrN(char *target, size_t size, const char *source, int direction);
/** Exactly `length` bytes of `source` into `target`, converted the same way
 * and not terminated: for callers that already know the length. */
TARN_API char *TarnConvertMem(char *target, const char *source, size_t length, int direction);

/* ----------------------------------------------------------------- lists */

/** A doubly linked list of entries (void *), owned by the caller. */
typedef struct TarnList TarnList;
/** A position in a list; NULL is "none". */
typedef struct TarnListNode *TarnListPos;
/** Called on each entry a list drops, when given. */
typedef void (*TarnListDestroyProc)(void *entry);

/** Creates an empty list, stores it in *pList and returns it; NULL (stored
 * too) when memory is short. */
TARN_API TarnList *TarnListCreateNoDebug(TarnList **pList);
/** Drops every entry (calling destroy on each when given) and frees the list;
 * *pList becomes NULL. */
TARN_API void TarnListDelete(TarnList **pList, TarnListDestroyProc destroy);
/** Drops every entry, keeping the list. */
TARN_API void TarnListReset(TarnList *list, TarnListDestroyProc destroy);
/** Inserts `entry` after (after != 0) or before the position; a NULL position
 * means at the end. Returns the new position, NULL when memory is short.
 * The last two arguments are reserved (pass 0). */
TARN_API TarnListPos TarnListInsertEntry(TarnList *list, void *entry, int after, TarnListPos position, int reserved1,
                                         int reserved2);
/** @{ */
/** The first, last, next or previous position; NULL past either end. The
 * entry there is stored when pEntry is given. */
TARN_API TarnListPos TarnListFirst(const TarnList *list, void **pEntry);
TARN_API TarnListPos TarnListLast(const TarnList *list, void **pEntry);
TARN_API TarnListPos TarnListNext(TarnListPos position, void **pEntry);
TARN_API TarnListPos TarnListPrev(TarnListPos position, void **pEntry);
/** @} */
/** Stores the entry at the position; returns nonzero when the position is not NULL. */
TARN_API int TarnListGet(TarnListPos position, void **pEntry);
/** Unlinks the position, storing its entry in *pEntry when given and calling
 * destroy on it when given; returns the following position. */
TARN_API TarnListPos TarnListRemove(TarnList *list, void **pEntry, TarnListPos position, TarnListDestroyProc destroy);
/** Moves `count` entries forward (count > 0) or back. From NULL, counting
 * starts before the first entry (forward) or after the last (back).
 * NULL when the move leaves the list. */
TARN_API TarnListPos TarnListReposition(const TarnList *list, TarnListPos position, long count, int reserved);
/** The number of entries; 0 for NULL. */
TARN_API unsigned long TarnListSize(const TarnList *list);

/* ----------------------------------------------------------------- files */

/** What TarnGetFileInfo tells of a file. */
typedef struct TarnFileInfo {
    unsigned long long size; /**< bytes */
    time_t modified;         /**< time of the last change */
    int isDirectory;         /**< nonzero for a directory */
} TarnFileInfo;

/** fopen with the modes "r", "rb", "w+", "wb+" (any fopen mode works). */
TARN_API FILE *TarnOpenFile(const char *path, const char *mode);
/** fclose; EOF for a NULL stream. */
TARN_API int TarnCloseFile(FILE *stream);
/** Reads one line without its line end into buffer (size bytes). The rest of
 * a line longer than size - 1 characters is read and dropped. Returns 0 at
 * the end of the stream, else nonzero. */
TARN_API int TarnReadString(char *buffer, size_t size, FILE *stream);
/** @{ */
/** A file's size, or its size, time and kind: nonzero on success; on failure
 * *pSize / *pInfo are zeroed. */
TARN_API int TarnGetFileSize(const char *path, unsigned long long *pSize);
TARN_API int TarnGetFileInfo(const char *path, TarnFileInfo *pInfo);
/** @} */
/** Makes a unique empty file whose name starts with `prefix` in `directory`
 * (else $TMPDIR, else /tmp) and writes its path into buffer (260 bytes).
 * Nonzero on success. */
TARN_API int TarnGetTempFileName(const char *directory, const char *prefix, char *buffer);
/** fprintf; -1 for a NULL stream or format. */
TARN_API int TarnFormatStrToFile(FILE *stream, const char *format, ...) TARN_PRINTF(2, 3);

/** Bytes of the library's path buffers, terminator included. */
#define TARN_MAX_PATH 260

/* --------------------------------------------------------------- modules */

/** A procedure found in a module, to be cast to its real type. */
typedef void (*TarnProc)(void);

/** Opens a run-time module: a name holding '/' is a path; otherwise each
 * directory of TARN_MODULE_PATH, then the directory of libTarnUtil.so, then
 * its subdirectory tarnsrvc/ (where an installed copy keeps its modules), is
 * tried with `lib<name>.so` and `<name>.so`; then the system search. NULL on
 * failure. */
TARN_API void *TarnLoadModule(const char *name);
/** The procedure `name` of a loaded module, or NULL. */
TARN_API TarnProc TarnProcAddress(void *module, const char *name);
/** Nonzero when found; the procedure (or NULL) is stored in *pProcedure. */
TARN_API int TarnGetProcAddress(void *module, const char *name, TarnProc *pProcedure);
/** Closes a module opened by TarnLoadModule; NULL is ignored. */
TARN_API void TarnFreeModule(void *module);
/** Value of a process environment variable, or NULL. */
TARN_API const char *TarnGetEnv(const char *name);

/* ----------------------------------------------------------------- trace */

/** One line per call to the destination named by TARN_TRACE (unset or empty:
 * off; "stderr"; "stdout"; else a file opened for append) and to the hook.
 * With neither, nothing is formatted. Lines longer than 4095 characters are cut. */
TARN_API void TarnTrace(const char *format, ...) TARN_PRINTF(1, 2);
/** TarnTrace for single-byte text; the same in this build, where all text is 8-bit. */
TARN_API void TarnTraceA(const char *format, ...) TARN_PRINTF(1, 2);
/** Nonzero when a trace line would go anywhere. */
TARN_API int TarnTraceActive(void);
/** Reports a module's load (reason 1) or unload (reason 0). */
TARN_API void TarnTraceDllInitTerm(const char *module, unsigned long reason, void *reserved);

/** Receives each trace line, without its line end, with the context given to
 * TarnSetTraceHook. */
typedef void (*TarnTraceHook)(void *context, const char *line);
/** Every line, without its line end, also goes to `hook`; NULL removes it. */
TARN_API void TarnSetTraceHook(TarnTraceHook hook, void *context);

#ifdef __cplusplus
}
#endif

#endif /* TARNUTIL_H */
