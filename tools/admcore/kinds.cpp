// kinds.cpp - objects created by name and routed to the node, their fields
// and field descriptions, and failed actions as problems.
#include "kinds.hpp"

#include <filesystem>

namespace admcore {
namespace {

// The fields of a descriptor in header order, with the attributes the tools show.
std::vector<FieldInfo> fields_of(Descriptor *descriptor)
{
    std::vector<FieldInfo> fields;
    char **header = nullptr;
    const int count = ZeGetFieldCount(descriptor);
    if (ZeDescriptorHeader(descriptor, &header) != ZE_OK || !header) return fields;
    for (int i = 0; i < count && header[i]; ++i) {
        FieldInfo info;
        const char *label = nullptr, *type = nullptr;
        int key = 0, pseudo = 0, invisible = 0;
        info.name = header[i];
        ZeQueryAttribute(descriptor, header[i], "LABEL", &label);
        ZeQueryAttribute(descriptor, header[i], "TYPE", &type);
        ZeQueryAttribute(descriptor, header[i], "KEY", &key);
        ZeQueryAttribute(descriptor, header[i], "PSEUDO", &pseudo);
        ZeQueryAttribute(descriptor, header[i], "INVISIBLE", &invisible);
        info.label = label && *label ? label : info.name;
        info.type = type ? type : "TEXT";
        info.key = key != 0;
        info.pseudo = pseudo != 0;
        info.invisible = invisible != 0;
        fields.push_back(std::move(info));
    }
    return fields;
}

// The group object of the chain, found without a trace line when there is none.
void *group_object(void *object)
{
    for (void *o = object; o; o = ZeObjectBaseObject(o))
        if (ZeObjectIsNamed(o, "GROUP")) return o;
    return nullptr;
}

// What keeps the registry from being read, "" when it can be.
std::string registry_unreadable()
{
    const std::string dataDir = data_dir();
    std::error_code error;
    if (dataDir.empty()) return "no data directory is set";
    if (!std::filesystem::is_directory(dataDir, error)) return "the data directory " + dataDir + " does not exist";
    if (!std::filesystem::is_regular_file(std::filesystem::path(dataDir) / "tarnobjs.dat", error))
        return "the data directory " + dataDir + " holds no object registry tarnobjs.dat";
    return {};
}

Problem creation_problem(const std::string &name, unsigned rc)
{
    Problem problem("cannot create the object " + name, outcome_of(rc, 0), rc);
    problem.remedy = Remedy::CheckSetup;
    if (rc != ZE_RC_NO_REGISTRY_LINE) return problem;
    if (std::string why = registry_unreadable(); !why.empty()) {
        problem.what += ": " + why;
        problem.outcome = Outcome::Unreachable;
        return problem;
    }
    const std::string upper = upper_case(name);
    for (const std::string &k : registry_kinds())
        if (k == upper) return problem;
    problem.what = "unknown object kind " + name;
    problem.outcome = Outcome::Usage;
    problem.remedy = Remedy::ListKinds;
    return problem;
}

std::string text_attribute(const Kind &kind, const std::string &field, const char *attribute)
{
    const char *value = nullptr;
    ZeQueryProperty(kind.object, "ATTRIBUTE", field.c_str(), attribute, &value);
    return value ? value : "";
}

std::vector<std::string> list_attribute(const Kind &kind, const std::string &field, const char *attribute)
{
    const char **values = nullptr;
    int count = 0;
    ZeQueryProperty(kind.object, "ATTRIBUTE", field.c_str(), attribute, &values, &count);
    std::vector<std::string> texts;
    for (int i = 0; values && i < count; ++i) texts.emplace_back(values[i] ? values[i] : "");
    return texts;
}

}  // namespace

const FieldInfo *Kind::key() const
{
    for (const FieldInfo &f : fields)
        if (f.key) return &f;
    return nullptr;
}

const FieldInfo *Kind::field(std::string_view wanted) const
{
    for (const FieldInfo &f : fields)
        if (same_name(f.name, wanted)) return &f;
    return nullptr;
}

FilterPtr new_filter()
{
    Filter *filter = nullptr;
    ZeCreateFilter(&filter);
    return FilterPtr(filter);
}

void Kinds::forget()
{
    for (auto &entry : kinds_) ZeDestroyObject(entry.second->object);
    kinds_.clear();
}

Result<Kind *> Kinds::open(const Settings &settings, const std::string &name)
{
    const std::string upper = upper_case(name);
    auto found = kinds_.find(upper + '\n' + settings.lang);
    if (found != kinds_.end()) return found->second.get();
    FilterPtr filter = new_filter();
    if (!settings.lang.empty()) ZeAddFilterItem(filter.get(), "LANGUAGE", "EQ", settings.lang.c_str());
    if (!settings.router.empty() && settings.router != "demo" && settings.router != "remote")
        ZeAddFilterItem(filter.get(), "ROUTEMODULE", "EQ", settings.router.c_str());
    auto kind = std::make_unique<Kind>();
    kind->name = upper;
    kind->router = router_module(settings);
    const unsigned rc = ZeCreateObject(&kind->object, name.c_str(), filter.get());
    if (rc != ZE_OK) return creation_problem(name, rc);
    // A new object has no date format: without one, date fields could not be validated.
    const char *dateFormat = nullptr;
    if (ZeQueryProperty(kind->object, "DATE FORMAT", &dateFormat) == ZE_OK && (!dateFormat || !*dateFormat))
        ZeSetProperty(kind->object, "DATE FORMAT", ZeDateDefaultFormat());
    kind->fields = fields_of(ZeGenericObjDescriptor(kind->object));
    if (void *group = group_object(kind->object))
        kind->groupFields = fields_of(static_cast<Descriptor *>(ZeElement(group, "GROUP DESCRIPTOR")));
    return kinds_.emplace(upper + '\n' + settings.lang, std::move(kind)).first->second.get();
}

Failure route(Kind &kind, const Settings &settings)
{
    if (settings.node.empty()) {
        Problem problem = usage_problem("no node");
        problem.remedy = Remedy::GiveNode;
        return problem;
    }
    const std::string user = user_of(settings);
    if (user.empty()) {
        Problem problem = usage_problem("no local user name");
        problem.remedy = Remedy::GiveUser;
        return problem;
    }
    unsigned rc = ZE_OK;
    if (kind.routedTo != settings.node) {
        rc = ZeSetProperty(kind.object, "DESTINATION", settings.node.c_str(), settings.node.c_str());
        if (rc == ZE_OK) kind.routedTo = settings.node;
    }
    if (rc == ZE_OK && kind.routedAs != user) {
        rc = ZeSetProperty(kind.object, "USERNAME", user.c_str());
        if (rc == ZE_OK) kind.routedAs = user;
    }
    if (rc != ZE_OK) return action_problem(kind, "cannot address node " + settings.node, rc);
    return std::nullopt;
}

Problem action_problem(const Kind &kind, std::string what, unsigned rc, Family family)
{
    Problem problem(std::move(what), Outcome::Internal, rc, family);
    std::string text;
    if (DtsResult *result = ZeGenericObjResult(kind.object)) {
        unsigned code = 0;
        const char *message = nullptr;
        if (ZeGetDtsResultFields(result, &code, &message) == ZE_OK) {
            // The node's answer, or the library's own reason for refusing before sending.
            text = message ? message : "";
            if (rc == ZE_RC_ROUTER_FAILED) {
                problem.routerCode = code;
                problem.nodeMessage = text;
            } else if (!text.empty()) {
                problem.what += ": " + text;
            }
        }
    }
    problem.outcome = outcome_of(rc, problem.routerCode);
    if (problem.outcome == Outcome::Invalid) {
        // A refused value's message starts with its field: "FIELD: what is wrong".
        if (const std::size_t colon = text.find(": "); colon != std::string::npos)
            if (const FieldInfo *field = kind.field(text.substr(0, colon))) problem.field = field->name;
    }
    if (rc == ZE_RC_LOAD_FAILED)
        problem.what += ": the router module " + kind.router + " " + module_load_failure(kind.router);
    if (rc == ZE_RC_PROC_NOT_FOUND) problem.what += ": the router module " + kind.router + " has no router_client";
    return problem;
}

std::vector<FieldDescription> describe_fields(const Kind &kind)
{
    std::vector<FieldDescription> descriptions;
    for (const FieldInfo &f : kind.fields) {
        FieldDescription d;
        d.name = f.name;
        d.label = f.label;
        d.type = f.type;
        d.minLength = text_attribute(kind, f.name, "MIN LENGTH");
        d.maxLength = text_attribute(kind, f.name, "MAX LENGTH");
        d.key = f.key;
        d.defaultValue = text_attribute(kind, f.name, "DEF VALUE");
        d.validValues = list_attribute(kind, f.name, "VALID VALUES");
        d.realValues = list_attribute(kind, f.name, "REAL VALUES");
        d.realName = text_attribute(kind, f.name, "REAL NAME");
        d.lowRange = text_attribute(kind, f.name, "LOW RANGE");
        d.upperRange = text_attribute(kind, f.name, "UPPER RANGE");
        d.relops = list_attribute(kind, f.name, "RELOPS");
        d.required = list_attribute(kind, f.name, "REQUIRED");
        for (const char *flag :
             {"READONLY", "UPPERCASE", "LOWERCASE", "PASSWORD", "PSEUDO", "INVISIBLE", "CASE SENSITIVE"}) {
            int on = 0;
            ZeQueryProperty(kind.object, "ATTRIBUTE", f.name.c_str(), flag, &on);
            if (on) d.flags.emplace_back(flag);
        }
        descriptions.push_back(std::move(d));
    }
    return descriptions;
}

bool FieldDescription::has_flag(std::string_view flag) const
{
    for (const std::string &f : flags)
        if (f == flag) return true;
    return false;
}

std::string date_format(const Kind &kind)
{
    const char *format = nullptr;
    ZeQueryProperty(kind.object, "DATE FORMAT", &format);
    return format && *format ? format : ZeDateDefaultFormat();
}

}  // namespace admcore
