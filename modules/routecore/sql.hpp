// The SQL text of the router core's statements: a statement with its bound
// values, written in the store's dialect, and the conditions of a request's
// criteria. Shared by the commands and the explanation of refusals.
#pragma once

#include "core.hpp"

namespace routecore {

// A statement being written: its text and the values bound to it, each
// written as the store's placeholder.
class Sql {
public:
    explicit Sql(const Store &store) : store_(store)
    {
        // Room for a row's statement, so that building it does not grow the buffers step by step.
        text_.reserve(256);
        params_.reserve(16);
    }

    Sql &operator<<(std::string_view text)
    {
        text_ += text;
        return *this;
    }
    Sql &name(std::string_view identifier)
    {
        text_ += store_.quoted(identifier);
        return *this;
    }
    Sql &operand(const Column &column)
    {
        text_ += store_.operand(column);
        return *this;
    }
    Sql &equality_operand(const Column &column)
    {
        text_ += store_.equality_operand(column);
        return *this;
    }
    Sql &bind(Param param)
    {
        params_.push_back(std::move(param));
        store_.append_param(text_, static_cast<int>(params_.size()), params_.back().column);
        return *this;
    }
    // column <op> value, or the pattern condition; NULL columns satisfy
    // what "" satisfies.
    Sql &condition(const Criterion &c);

    std::unique_ptr<Rows> run(Store &store) const { return store.run(text_, params_); }

private:
    const Store &store_;
    std::string text_;
    std::vector<Param> params_;
};

// " WHERE <criteria>", nothing without criteria. EQ criteria on one column
// are ORed (the column holds one of the values); everything else is ANDed.
void where_clause(Sql &sql, const std::vector<Criterion> &criteria);

}  // namespace routecore
