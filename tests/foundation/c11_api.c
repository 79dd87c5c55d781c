/* A C11 program against the public headers: they must compile as C and link. */
#include "tarnsrvc.h"

#include <stdio.h>

static unsigned int count_calls;

static unsigned int handler(void *object, const char *key, va_list *pArgs)
{
    (void)object;
    (void)key;
    (void)pArgs;
    return ++count_calls;
}

int main(void)
{
    ZeKeyedProcEntry table[2];
    ZeInitKeyedEntryProc(&table[0], "RUN", handler);
    ZeInitKeyedEntryProc(&table[1], NULL, NULL);
    if (ZeCallKeyedEntryProc(table, "run", NULL, NULL) != 1) return 1;

    char **array = ZeAllocStrPtrArray(2);
    if (!array) return 2;
    array[0] = TarnDuplicateString("x", __FILE__, __LINE__);
    if (ZeCountPtrArrayElements(array) != 1) return 3;
    ZeFreeStrPtrArray(array, -1);

    if (ZeAssertValidParameters("main", 1, "ok", 1) != ZE_OK) return 4;
    if (ZePlatformID("aix") != 3) return 5;
    if (TarnBlocksInUse() != 0) return 6;
    puts("C11 program ran against TarnSrvc");
    return 0;
}
