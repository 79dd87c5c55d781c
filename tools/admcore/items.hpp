// items.hpp - the item operations of the tools on an object kind: validate
// values, show, define, alter, copy, rename, delete, list and name items,
// and move members between groups. Values are validated before anything is
// sent; each operation returns what came back or the problem. The values of
// an item belong to its object and stay valid until the object's next action.
#pragma once

#include "criteria.hpp"

namespace admcore {

// VALIDATE VALUE of one value for the field named `field` (any case).
// Threads may validate at once, each on its own kind (the library's date
// checks take turns on its one date service by themselves).
Failure validate_value(Kind &kind, const std::string &field, const std::string &value);
// The same for a field of the kind found already.
Failure validate_value(Kind &kind, const FieldInfo &field, const std::string &value);

// VALIDATE VALUE of each non-empty value of `filter`'s criteria.
Failure validate_values(Kind &kind, Filter *filter);

// Holds the date service (ZeDateHoldService) while it lives, so that a
// long run of date checks does not load, open, close and unload the
// service for every value.
class DateServiceHold {
public:
    DateServiceHold() { ZeDateHoldService(); }
    ~DateServiceHold() { ZeDateReleaseService(); }
    DateServiceHold(const DateServiceHold &) = delete;
    DateServiceHold &operator=(const DateServiceHold &) = delete;
};

// Submits an item action (OPEN ITEM, DEFINE ITEM, ...): the values of the
// item that came back, in field order, or NULL when none came back.
Result<char **> submit_item(Kind &kind, const char *action, Filter *filter, const std::string &what);

Result<char **> show_item(Kind &kind, const std::string &key);
Result<char **> define_item(Kind &kind, const std::vector<std::string> &assignments);
Result<char **> alter_item(Kind &kind, const std::string &key, const std::vector<std::string> &changes);

// Copies the item `key` under `newKey` (or renames it), then makes the
// FIELD=VALUE `changes` to the new item; the new item's values.
Result<char **> copy_item(Kind &kind, const std::string &key, const std::string &newKey,
                          const std::vector<std::string> &changes, bool rename);

// Opens the collection of the items that match `filter`: their number.
Result<unsigned> open_items(Kind &kind, Filter *filter, const std::string &what);

// One page of the items that match `filter`, in key order: at most `count`
// items (at least 1) whose key is above `after` ("" from the first). The
// router answers only the page and one item more, which tells whether
// another page follows (ZeOpenDtsCollectionPage); next_item walks the page.
struct Page {
    unsigned count = 0;   // items in the page
    bool more = false;    // another page follows
    std::string next;     // the key (as the node keeps it) of the page's last item: `after` of the next page
    std::string message;  // the node's message (the walk clears LAST MESSAGE)
};
Result<Page> open_page(Kind &kind, Filter *filter, const std::string &after, unsigned count, const std::string &what);

// The next item of the open collection, NULL after the last.
Result<char **> next_item(Kind &kind);

// Deletes the items that match `filter`.
Failure delete_items(Kind &kind, Filter *filter);

// The keys of the items that match `filter`.
Result<std::vector<std::string>> item_names(Kind &kind, Filter *filter);

// The node's message about the last action (LAST MESSAGE), NULL when none.
const char *last_message(Kind &kind);

// Groups: a refusal when `kind` has none; the filters of its groups and of
// one group's members; a member put into a group, or taken out of its group.
Failure require_groups(const Kind &kind);
FilterPtr groups_filter(const Kind &kind);
FilterPtr members_filter(const std::string &group);
Failure change_member(Kind &kind, const std::string &group, const std::string &member, bool add);

// One item as a JSON object of its values keyed by `names` (one per value).
std::string item_json(const std::vector<std::string> &names, const char *const *values);

}  // namespace admcore
