// handlers.hpp - the handlers of the API's routes and what they share: the
// object kind named in the path, its field descriptions, the columns an
// answer shows and an item as JSON.
#pragma once

#include "items.hpp"
#include "server.hpp"

namespace tarnweb {

// The kind the path names (its second part), opened for the session and
// routed to its node; NULL with the answer sent (404 for a kind the
// registry lacks).
admcore::Kind *path_kind(Call &call);

// The field descriptions of a kind, read once per session.
const std::vector<admcore::FieldDescription> &descriptions(Call &call, const admcore::Kind &kind);

// The fields an answer shows: the fields= parameter ("NAME,STATUS"), else
// every field that is not pseudo; a PASSWORD field's value never leaves
// the console (shown as "********" when set). False with the 400 sent.
struct Columns {
    std::vector<std::size_t> indexes;
    std::vector<bool> secret;
};
bool columns_of(Call &call, const std::vector<admcore::FieldInfo> &fields,
                const std::vector<admcore::FieldDescription> *described, Columns &columns);

// One item's values (in field order) as a JSON object of the columns.
Json item_object(const std::vector<admcore::FieldInfo> &fields, const Columns &columns, char **values);

// The node's message about the last action, "" when none.
std::string node_message(admcore::Kind &kind);

// Session (api.cpp).
void open_session(Call &call);
void show_session(Call &call);
void close_session(Call &call);
// Nodes, kinds, fields, items, validation (api.cpp).
void list_nodes(Call &call);
void list_kinds(Call &call);
void describe_kind(Call &call);
void list_items(Call &call);
void show_item(Call &call);
void define_item(Call &call);
void alter_item(Call &call);
void copy_item(Call &call);
void rename_item(Call &call);
void delete_item(Call &call);
void validate_value(Call &call);
// Groups, export and import (api_records.cpp).
void list_groups(Call &call);
void list_members(Call &call);
void add_member(Call &call);
void remove_member(Call &call);
void export_items(Call &call);
void import_items(Call &call);

}  // namespace tarnweb
