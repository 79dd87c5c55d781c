// The action request as the request layer sees it: its structure, its
// validity test, and the answer loaders that the router reaches through
// action fields 12, 19 and 20.
#pragma once

#include "ZeDts.h"

#include <string>
#include <string_view>

struct DtsAction {
    char eyeCatcher[TARN_EYE_CATCHER_SIZE];
    DtsInfo *info;    // borrowed; attached by routing
    DtsDelta *delta;  // borrowed
    char responseFile[ZE_RESPONSE_FILE_SIZE];
    char *command;  // owned
    unsigned int responseKind;
    Filter *requestFilter;   // owned
    TarnList *nameList;      // owned, with the names no list operation took
    Descriptor *descriptor;  // borrowed
    Item *item;              // borrowed
    Collection *collection;  // borrowed
    unsigned int returnCode;
    DtsMessage *message;  // owned
    char *routerText1;    // owned
    char *routerText2;    // owned
    // Private to this library.
    char madeFile[ZE_RESPONSE_FILE_SIZE];  // the temporary file this action made, "" when none
    bool headerLoaded;                     // an answer header (field 19) was accepted
    unsigned int answerColumns;            // and had this many columns
    DtsBatch *batch;                       // borrowed: the items of a batch request, else NULL
};

namespace ze::requests {

// True for an action; otherwise traces "*** Invalid DTS Action Object encountered.".
bool is_action(DtsAction *action);

// Reports an unacceptable further argument of ZeSetDtsActionField as its
// parameter 3 and gives 4.
unsigned refuse_field_argument(const char *name);

// ZeSetDtsActionRequestFilter's work (the request fields echoed) on
// `count` criteria packed in one block: column, operator and value of
// each, one after the other, each text with its terminator.
unsigned set_packed_request_fields(DtsAction *action, const char *packed, unsigned count, Descriptor *descriptor);

// A string pointer array of the list's strings (not copies) with at least
// `slots` entries, those past the list NULL; NULL when memory is short.
// Release it with ZeFreeStrPtrArray(array, 0).
char **list_array(TarnList *list, unsigned slots);

// Routing through the router library's entry point `entry` (router_client,
// router_batch): ZeRouteDtsAction's work after its parameter checks.
unsigned route_through(DtsAction *action, DtsInfo *info, const char *command, DtsResult *result, const char *entry);

// The library of the routers that serve `info` (ROUTEMODULE, TarnRpdb, TarnRout).
const char *router_library(DtsInfo *info);

// A router text "<COLUMN>: <what is wrong>" with the descriptor's field
// name for the column, or "" when no field has that column.
std::string with_field_name(Descriptor *descriptor, std::string_view text);

// Answer loaders (routing side of the router conversation).
unsigned load_answer_item(DtsAction *action, char **columns, char **values, int count);  // field 12
unsigned load_answer_header(DtsAction *action, TarnList *columns);                       // field 19
unsigned load_answer_row(DtsAction *action, TarnList *values);                           // field 20

}  // namespace ze::requests
