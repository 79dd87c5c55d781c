// Batches as the request layer sees them: their structure and the action
// fields (23 to 25) through which a router reads the items and answers
// each one's outcome.
#pragma once

#include "ZeDts.h"

// One item of a batch: the caller's criteria, the request fields sent for
// them, and the outcome.
struct DtsBatchItem {
    // Owned copy of the caller's criteria in one block: column, operator
    // and value of each, one after the other, each text with its terminator.
    char *criteria;
    unsigned int criteriaCount;
    unsigned int criteriaSize;  // bytes of the block, cleared before release (values may be passwords)
    Filter *request;            // owned, made by a run: the criteria mapped for the node
    unsigned int state;
    unsigned int code;
    unsigned int nodeCode;
    char *message;  // owned, NULL reads as ""
};

struct DtsBatch {
    char eyeCatcher[TARN_EYE_CATCHER_SIZE];
    char *command;  // owned, upper case
    unsigned int mode;
    unsigned int count;
    unsigned int capacity;
    DtsBatchItem *items;  // owned block of `capacity` entries
    // The descriptor the items were mapped for by ZePrepareDtsBatch, which
    // the next run then uses; NULL when a run maps them itself.
    Descriptor *preparedFor;
};

namespace ze::requests {

bool is_batch(DtsBatch *batch);

// The action fields of the batch conversation (action.cpp hands them here).
unsigned get_batch_size(DtsAction *action, unsigned *pCount, unsigned *pMode);                 // field 23
unsigned get_batch_item(DtsAction *action, unsigned index, char ***pColumns, char ***pRelops,  // field 24
                        char ***pValues, int *pCount);
unsigned set_batch_outcome(DtsAction *action, unsigned index, unsigned state, unsigned code,  // field 25
                           const char *message);

}  // namespace ze::requests
