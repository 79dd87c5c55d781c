// kinds.hpp - objects opened by kind name (PRINTER, QUEUE, ...) and routed
// to a node for a user, with the fields of their descriptors; filters; and a
// failed action turned into a Problem with the node's answer.
#pragma once

#include "problem.hpp"
#include "settings.hpp"
#include "tarnsrvc.h"
#include "text.hpp"

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace admcore {

struct FieldInfo {
    std::string name, label, type;
    bool key = false, pseudo = false, invisible = false;
};

// An object created by name, kept open while its Kinds lives.
struct Kind {
    std::string name;    // in capitals
    std::string router;  // the router module its requests go to
    void *object = nullptr;
    std::vector<FieldInfo> fields;       // descriptor order
    std::vector<FieldInfo> groupFields;  // the group descriptor's, for objects with groups
    std::string routedTo, routedAs;      // DESTINATION and USERNAME last set

    const FieldInfo *key() const;
    // The field named `wanted`, ignoring case; NULL when there is none.
    const FieldInfo *field(std::string_view wanted) const;
    bool has_groups() const { return !groupFields.empty(); }
};

struct FilterDeleter {
    void operator()(Filter *f) const { ZeDestroyFilter(f); }
};
using FilterPtr = std::unique_ptr<Filter, FilterDeleter>;
FilterPtr new_filter();

// The objects opened by kind name and language, each created once. Like
// the objects themselves, a Kinds serves one thread at a time.
class Kinds {
public:
    Kinds() = default;
    ~Kinds() { forget(); }
    Kinds(const Kinds &) = delete;
    Kinds &operator=(const Kinds &) = delete;

    // The object of kind `name` in the language and through the router of
    // `settings`, not yet routed to a node.
    Result<Kind *> open(const Settings &settings, const std::string &name);
    // Destroys every object opened so far.
    void forget();

private:
    std::map<std::string, std::unique_ptr<Kind>> kinds_;
};

// Addresses `kind`'s requests to the node and user of `settings`.
Failure route(Kind &kind, const Settings &settings);

// A failed action on `kind`: the library's code, and the node's code and
// message from the object's last result.
Problem action_problem(const Kind &kind, std::string what, unsigned rc, Family family = Family::Object);

// A field with every attribute a description shows.
struct FieldDescription {
    std::string name, label, type, minLength, maxLength, defaultValue, realName;
    std::string lowRange, upperRange;  // numeric bounds, "" when none
    bool key = false;
    std::vector<std::string> validValues, realValues;
    std::vector<std::string> relops;    // the operators criteria on the field take
    std::vector<std::string> required;  // REQUIRED: the names for which the field is required
    std::vector<std::string> flags;     // READONLY, UPPERCASE, LOWERCASE, PASSWORD, PSEUDO, INVISIBLE, CASE SENSITIVE

    bool has_flag(std::string_view flag) const;
};
std::vector<FieldDescription> describe_fields(const Kind &kind);

// The date format of the kind's DATE values (its DATE FORMAT).
std::string date_format(const Kind &kind);

}  // namespace admcore
