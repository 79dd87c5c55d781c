// problem.hpp - how the tools' shared core reports a failure: what went
// wrong, its outcome (refused, bad request, invalid value, unreachable,
// internal), the library's code with its meaning and the node's code and
// message. Operations return a Result<T> (a value or a Problem) or a Failure
// (a Problem or nothing); the core prints nothing, each tool shows a Problem
// in its own form (an error line and exit status, an HTTP answer).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace admcore {

// The class of a failure: each tool maps it to its own signal.
enum class Outcome {
    Refused,      // refused by the node (a value it does not take, its grants)
    NotFound,     // no item matches
    Conflict,     // the key is taken, or a concurrent change won
    Usage,        // a bad request: object kind, field, criteria, input
    Invalid,      // a value refused by validation
    Unreachable,  // the node, the router or a module cannot be reached
    TimedOut,     // the node did not answer in time
    Internal,     // anything else
};

// The family of calls a library code came from: some codes mean different
// things in different families.
enum class Family { Object, Validate, Filter, Records, Logon };

// What a tool can tell the user to do about a problem, in its own terms
// (an option, a parameter, another command).
enum class Remedy {
    None,
    GiveNode,    // no destination node was given
    GiveUser,    // no local user name is known
    ListKinds,   // the object kind is not in the registry
    CheckSetup,  // the object could not be created: the setup is at fault
};

struct Problem {
    Problem() = default;
    Problem(std::string text, Outcome kind, unsigned libraryCode = 0, Family codeFamily = Family::Object)
        : what(std::move(text)), outcome(kind), code(libraryCode), family(codeFamily)
    {}
    std::string what;  // what was being done, or what is wrong
    Outcome outcome = Outcome::Internal;
    unsigned code = 0;  // library code, 0 when none
    Family family = Family::Object;
    unsigned routerCode = 0;  // the node's code, 0 when none
    std::string nodeMessage;
    std::string field;  // the field whose value or name is at fault, "" when none
    Remedy remedy = Remedy::None;
};

// A bad request: Problem{what, Outcome::Usage}.
inline Problem usage_problem(std::string what) { return Problem(std::move(what), Outcome::Usage); }

// The result of an operation that returns nothing: a problem, or none.
using Failure = std::optional<Problem>;

// A value, or the problem that stopped the operation making it.
template <class T> class Result {
public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(Problem problem) : state_(std::in_place_index<1>, std::move(problem)) {}
    explicit operator bool() const { return state_.index() == 0; }
    T &operator*() { return std::get<0>(state_); }
    T *operator->() { return &std::get<0>(state_); }
    const Problem &problem() const { return std::get<1>(state_); }

private:
    std::variant<T, Problem> state_;
};

// What a library code means, by the family that returned it; "" when the
// code is not documented for that family.
std::string_view library_code_meaning(unsigned code, Family family = Family::Object);

// What a router code means ("" when unknown).
std::string_view router_code_meaning(unsigned code);

// The outcome of a failed call: its library code, and the router code
// carried by ZE_RC_ROUTER_FAILED.
Outcome outcome_of(unsigned code, unsigned routerCode);

}  // namespace admcore
