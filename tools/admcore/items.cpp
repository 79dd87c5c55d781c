// items.cpp - each item operation builds its filter, validates the values,
// submits one action to the object of its kind and hands back what came back.
#include "items.hpp"

#include <nlohmann/json.hpp>

namespace admcore {
namespace {

// The field that carries a new key: RENAME TO (for a rename) or COPY TO.
std::string new_key_field(Kind &kind, bool rename)
{
    const FieldInfo *keyField = kind.key();
    if (!keyField) return {};
    const char *target = nullptr;
    if (rename) ZeQueryProperty(kind.object, "ATTRIBUTE", keyField->name.c_str(), "RENAME TO", &target);
    if (!target || !*target) ZeQueryProperty(kind.object, "ATTRIBUTE", keyField->name.c_str(), "COPY TO", &target);
    return target ? target : "";
}

// A refused value; the value of a PASSWORD field is not repeated.
Problem value_problem(const Kind &kind, const std::string &field, const std::string &value, unsigned rc)
{
    int secret = 0;
    ZeQueryProperty(kind.object, "ATTRIBUTE", field.c_str(), "PASSWORD", &secret);
    const std::string shown = secret ? "" : " \"" + value + "\"";
    Problem problem = action_problem(kind, field + " value" + shown + " refused", rc, Family::Validate);
    problem.field = field;
    return problem;
}

Result<char **> validated_item(Kind &kind, const char *action, Filter *filter, const std::string &what)
{
    if (Failure failure = validate_values(kind, filter)) return *failure;
    return submit_item(kind, action, filter, what);
}

}  // namespace

Failure validate_value(Kind &kind, const std::string &field, const std::string &value)
{
    const FieldInfo *info = kind.field(field);
    if (!info) return unknown_field(kind.fields, field);
    return validate_value(kind, *info, value);
}

Failure validate_value(Kind &kind, const FieldInfo &field, const std::string &value)
{
    const unsigned rc = ZeSubmitAction(kind.object, "VALIDATE VALUE", field.name.c_str(), value.c_str());
    if (rc != ZE_OK) return value_problem(kind, field.name, value, rc);
    return std::nullopt;
}

Failure validate_values(Kind &kind, Filter *filter)
{
    ZeInitFilterQuery(filter);
    const char *column = nullptr, *value = nullptr;
    for (; ZeGetFilterItem(filter, &column, nullptr, &value); ZeNextFilterItem(filter)) {
        if (!*value) continue;
        const unsigned rc = ZeSubmitAction(kind.object, "VALIDATE VALUE", column, value);
        if (rc != ZE_OK) return value_problem(kind, column, value, rc);
    }
    return std::nullopt;
}

Result<char **> submit_item(Kind &kind, const char *action, Filter *filter, const std::string &what)
{
    char **values = nullptr;
    const unsigned rc = ZeSubmitAction(kind.object, action, filter, &values);
    if (rc != ZE_OK) return action_problem(kind, what, rc);
    return values;
}

Result<char **> show_item(Kind &kind, const std::string &key)
{
    Result<FilterPtr> filter = key_filter(kind, key, {});
    if (!filter) return filter.problem();
    return submit_item(kind, "OPEN ITEM", filter->get(), "cannot show " + kind.name + " " + key);
}

Result<char **> define_item(Kind &kind, const std::vector<std::string> &assignments)
{
    if (assignments.empty()) return usage_problem("define needs FIELD=VALUE arguments");
    Result<FilterPtr> filter = values_filter(kind.fields, assignments);
    if (!filter) return filter.problem();
    return validated_item(kind, "DEFINE ITEM", filter->get(), "cannot define " + kind.name);
}

Result<char **> alter_item(Kind &kind, const std::string &key, const std::vector<std::string> &changes)
{
    if (changes.empty()) return usage_problem("alter needs FIELD=VALUE arguments");
    Result<FilterPtr> filter = key_filter(kind, key, changes);
    if (!filter) return filter.problem();
    return validated_item(kind, "ALTER ITEM", filter->get(), "cannot alter " + kind.name + " " + key);
}

Result<char **> copy_item(Kind &kind, const std::string &key, const std::string &newKey,
                          const std::vector<std::string> &changes, bool rename)
{
    const std::string target = new_key_field(kind, rename);
    if (target.empty()) return usage_problem("object " + kind.name + " names no field for a new key");
    // The copy carries only the two keys (the object's copy may ignore other
    // fields); changes given with it are made to the new item afterwards.
    Result<FilterPtr> changed = key_filter(kind, newKey, changes);
    if (!changed) return changed.problem();
    Result<FilterPtr> filter = key_filter(kind, key, {});
    if (!filter) return filter.problem();
    if (Failure failure = validate_values(kind, changed->get())) return *failure;
    ZeAddFilterItem(filter->get(), target.c_str(), "EQ", newKey.c_str());
    const char *action = rename ? "RENAME ITEM" : "COPY ITEM";
    const std::string what = std::string(rename ? "cannot rename " : "cannot copy ") + kind.name + " " + key;
    if (changes.empty()) return validated_item(kind, action, filter->get(), what);
    Result<char **> copied = submit_item(kind, action, filter->get(), what);
    if (!copied) return copied;
    return submit_item(kind, "ALTER ITEM", changed->get(), "copied to " + newKey + ", but cannot change the copy");
}

Result<unsigned> open_items(Kind &kind, Filter *filter, const std::string &what)
{
    const unsigned rc = ZeSubmitAction(kind.object, "OPEN COLLECTION", filter);
    if (rc != ZE_OK) return action_problem(kind, what, rc);
    unsigned count = 0;
    ZeSubmitAction(kind.object, "GET ITEM COUNT", &count);
    return count;
}

Result<Page> open_page(Kind &kind, Filter *filter, const std::string &after, unsigned count, const std::string &what)
{
    const FieldInfo *keyField = kind.key();
    if (!keyField) return usage_problem("object " + kind.name + " has no key field to page on");
    if (count == 0) count = 1;
    DtsDelta *delta = nullptr;
    if (ZeCreateDtsDelta(&delta) != ZE_OK) return Problem(what, Outcome::Internal, ZE_RC_NO_MEMORY);
    std::unique_ptr<DtsDelta, unsigned (*)(DtsDelta *)> owned(delta, ZeDestroyDtsDelta);
    if (ZeSetDtsDeltaFields(delta, after.c_str(), count + 1) != ZE_OK)
        return Problem(what, Outcome::Internal, ZE_RC_NO_MEMORY);
    Descriptor *descriptor = ZeGenericObjDescriptor(kind.object);
    Collection *collection = ZeGenericObjCollection(kind.object);
    DtsResult *result = ZeGenericObjResult(kind.object);
    ZeSetDtsResultFields(result, 0, "");  // as OPEN COLLECTION clears the object's result
    const unsigned rc =
        ZeOpenDtsCollectionPage(descriptor, ZeGenericObjInfo(kind.object), filter, delta, collection, result);
    if (rc != ZE_OK) return action_problem(kind, what, rc);
    Page page;
    if (const char *message = last_message(kind)) page.message = message;
    page.count = ZeCollectionSize(collection);
    if (page.count > count) {
        // The item past the page only tells that more follow.
        ZeSetCollectionPosition(collection, count + 1);
        ZeRemoveCurrentCollectionItem(collection);
        page.count = count;
        page.more = true;
    }
    if (Item *last = ZeLastCollectionItem(collection)) {
        const std::size_t keyIndex = static_cast<std::size_t>(keyField - kind.fields.data());
        const char *shown = ZeItemValue(last, static_cast<int>(keyIndex));
        char *real = nullptr;
        if (shown && ZeGetRealValue(descriptor, keyField->name.c_str(), shown, &real) == ZE_OK && real) shown = real;
        page.next = shown ? shown : "";
    }
    if (page.count > 0) ZeSetCollectionPosition(collection, 1);
    return page;
}

Result<char **> next_item(Kind &kind)
{
    char **values = nullptr;
    const unsigned rc = ZeSubmitAction(kind.object, "GET ITEM", &values);
    if (rc == ZE_OK) return values;
    if (rc == ZE_RC_NO_ENTRY) return static_cast<char **>(nullptr);
    return action_problem(kind, "cannot read the list", rc);
}

Failure delete_items(Kind &kind, Filter *filter)
{
    const unsigned rc = ZeSubmitAction(kind.object, "DELETE ITEM", filter);
    if (rc != ZE_OK) return action_problem(kind, "cannot delete from " + kind.name, rc);
    return std::nullopt;
}

Result<std::vector<std::string>> item_names(Kind &kind, Filter *filter)
{
    char **names = nullptr;
    unsigned count = 0;
    const unsigned rc = ZeSubmitAction(kind.object, "GET LIST", filter, &names, &count);
    if (rc != ZE_OK) return action_problem(kind, "cannot list the names of " + kind.name, rc);
    return std::vector<std::string>(names, names + count);
}

const char *last_message(Kind &kind)
{
    const char *message = nullptr;
    ZeQueryProperty(kind.object, "LAST MESSAGE", &message);
    return message;
}

Failure require_groups(const Kind &kind)
{
    if (kind.has_groups()) return std::nullopt;
    return usage_problem("object " + kind.name + " has no groups");
}

FilterPtr groups_filter(const Kind &kind)
{
    FilterPtr filter = new_filter();
    ZeAddFilterItem(filter.get(), "ITEM_TYPE", "EQ", "GROUP");
    if (const FieldInfo *key = kind.key()) ZeAddFilterItem(filter.get(), key->name.c_str(), "NE", "");
    return filter;
}

FilterPtr members_filter(const std::string &group)
{
    FilterPtr filter = new_filter();
    ZeAddFilterItem(filter.get(), "GROUPID", "EQ", group.c_str());
    return filter;
}

Failure change_member(Kind &kind, const std::string &group, const std::string &member, bool add)
{
    const FieldInfo *memberField = nullptr;
    for (const FieldInfo &f : kind.groupFields)
        if (f.key) memberField = &f;
    if (!memberField) return usage_problem("the groups of " + kind.name + " have no member field");
    FilterPtr filter = new_filter();
    ZeAddFilterItem(filter.get(), "GROUPID", "EQ", add ? group.c_str() : "");
    ZeAddFilterItem(filter.get(), memberField->name.c_str(), "EQ", member.c_str());
    char **values = nullptr;
    const unsigned rc = add ? ZeSubmitAction(kind.object, "DEFINE ITEM", filter.get(), &values)
                            : ZeSubmitAction(kind.object, "DELETE ITEM", filter.get());
    if (rc != ZE_OK) return action_problem(kind, std::string(add ? "cannot add " : "cannot remove ") + member, rc);
    return std::nullopt;
}

std::string item_json(const std::vector<std::string> &names, const char *const *values)
{
    nlohmann::ordered_json object = nlohmann::ordered_json::object();
    for (std::size_t i = 0; i < names.size(); ++i) object[names[i]] = values[i] ? values[i] : "";
    return object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace admcore
