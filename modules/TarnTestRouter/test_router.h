/*
 * test_router.h - the test suite's router module (TarnTestRouter): its
 * router_client records each request it receives and answers with what the
 * test scripted. Tests reach its controls through one routine:
 *
 *     TarnProc proc;
 *     ZeLoadRoutine("TarnTestRouter", "test_router_api", &proc);
 *     const TestRouterApi *router = ((TestRouterApiProc)proc)();
 *
 * Each request takes the oldest scripted answer not yet given; without one
 * it gets code 0 and nothing else. How an answer is delivered follows the request:
 * response kind 15: field 19 with the columns (when any were scripted),
 * then field 20 per row; kind 3: field 21 per name; any other kind: field
 * 12 with the columns and the first row (padded with NULL to the columns'
 * count) when columns were scripted. Field 18 carries the message when one
 * was scripted. Everything is copied and owned by the module until reset.
 */
#ifndef TEST_ROUTER_H
#define TEST_ROUTER_H

#ifdef __cplusplus
extern "C" {
#endif

#define TEST_ROUTER_MAX_CODES 64

/* What one request carried when router_client ran. Strings are NULL when
 * the field was not set. */
typedef struct TestRouterRequest {
    const void *action;         /* the handle router_client was given */
    const char *command;        /* field 13 */
    const char *info[8];        /* fields 1 to 7 at their numbers */
    unsigned int fieldsCode;    /* code of reading field 11 */
    int fieldCount;             /* request fields, 0 when none */
    const char *const *columns; /* fieldCount entries each */
    const char *const *relops;
    const char *const *values;
    unsigned int kind;        /* field 14 */
    const char *responseFile; /* field 15 */
    int responseFileExists;   /* the file existed while the router ran */
    unsigned int hasDelta;    /* field 9 */
    const char *deltaCursor;  /* field 10 */
    unsigned int deltaCount;
    int answerCount; /* codes of the answer calls (12, 19, 20, 21) in order */
    unsigned int answerCodes[TEST_ROUTER_MAX_CODES];
} TestRouterRequest;

typedef struct TestRouterApi {
    /* Forgets every scripted answer and recorded request. */
    void (*reset)(void);
    /* Starts the next scripted answer: router_client returns code; message
     * (when not NULL) goes out through field 18. */
    void (*answer)(unsigned int code, const char *message);
    /* Adds to the answer begun last: its column names, a row (NULL values
     * allowed, any length), a name. */
    void (*columns)(const char *const *columns, int count);
    void (*row)(const char *const *values, int count);
    void (*name)(const char *name);
    /* Requests received since the last reset, oldest first. */
    int (*request_count)(void);
    const TestRouterRequest *(*request)(int index);
} TestRouterApi;

typedef const TestRouterApi *(*TestRouterApiProc)(void);

#ifdef __cplusplus
}
#endif

#endif /* TEST_ROUTER_H */
