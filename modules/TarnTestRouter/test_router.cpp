// TarnTestRouter: a router module for the tests. It records every request
// router_client receives and answers with the test's script (test_router.h).
#include "test_router.h"

#include "ZeDts.h"

#include <cstdarg>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

using Row = std::vector<std::optional<std::string>>;

struct Answer {
    unsigned code = 0;
    std::optional<std::string> message;
    std::vector<std::string> columns;
    std::vector<Row> rows;
    std::vector<std::string> names;
};

// A recorded request and the storage its C view points into.
struct Recorded {
    TestRouterRequest view{};
    std::deque<std::string> texts;  // stable addresses
    std::vector<const char *> columns, relops, values;

    const char *keep(const char *text)
    {
        if (!text) return nullptr;
        return texts.emplace_back(text).c_str();
    }
};

std::deque<Answer> script;  // answers not yet given, in order
std::deque<Recorded> requests;

std::optional<std::string> text_or_null(const char *text)
{
    return text ? std::optional<std::string>(text) : std::nullopt;
}

const char *c_str(const std::optional<std::string> &text) { return text ? text->c_str() : nullptr; }

void note(Recorded &r, unsigned code)
{
    if (r.view.answerCount < TEST_ROUTER_MAX_CODES) r.view.answerCodes[r.view.answerCount++] = code;
}

void record_request(DtsAction *action, Recorded &r)
{
    TestRouterRequest &v = r.view;
    v.action = action;
    const char *text = nullptr;
    if (ZeGetDtsActionField(action, ZE_ACTION_COMMAND, &text) == 0) v.command = r.keep(text);
    for (unsigned n = ZE_ACTION_OBJECT; n <= ZE_ACTION_ROUTENODE; ++n)
        if (ZeGetDtsActionField(action, n, &text) == 0) v.info[n] = r.keep(text);

    char **columns = nullptr, **relops = nullptr, **values = nullptr;
    v.fieldsCode = ZeGetDtsActionField(action, ZE_ACTION_REQUEST_FIELDS, &columns, &relops, &values, &v.fieldCount);
    if (v.fieldsCode != 0) v.fieldCount = 0;
    for (int i = 0; i < v.fieldCount; ++i) {
        r.columns.push_back(r.keep(columns[i]));
        r.relops.push_back(r.keep(relops[i]));
        r.values.push_back(r.keep(values[i]));
    }
    v.columns = r.columns.data();
    v.relops = r.relops.data();
    v.values = r.values.data();

    ZeGetDtsActionField(action, ZE_ACTION_RESPONSE_KIND, &v.kind);
    if (ZeGetDtsActionField(action, ZE_ACTION_RESPONSE_FILE, &text) == 0) {
        v.responseFile = r.keep(text);
        std::error_code ec;
        v.responseFileExists = *text && std::filesystem::exists(text, ec);
    }
    ZeGetDtsActionField(action, ZE_ACTION_HAS_DELTA, &v.hasDelta);
    char *cursor = nullptr;
    if (v.hasDelta && ZeGetDtsActionField(action, ZE_ACTION_DELTA_FIELDS, &cursor, &v.deltaCount) == 0)
        v.deltaCursor = r.keep(cursor);
}

// A utility list holding the texts (borrowed; NULL for a missing value),
// or NULL when it cannot be made whole.
TarnList *list_of(const std::vector<const char *> &texts)
{
    TarnList *list = nullptr;
    if (!TarnListCreateNoDebug(&list)) return nullptr;
    for (const char *t : texts)
        if (!TarnListInsertEntry(list, const_cast<char *>(t), 1, nullptr, 0, 0)) {
            TarnListDelete(&list, nullptr);
            return nullptr;
        }
    return list;
}

unsigned send_list(DtsAction *action, unsigned field, const std::vector<const char *> &texts)
{
    TarnList *list = list_of(texts);
    unsigned rc = ZeSetDtsActionField(action, field, list);
    TarnListDelete(&list, nullptr);
    return rc;
}

void deliver(DtsAction *action, const Answer &a, Recorded &r)
{
    if (a.message) ZeSetDtsActionField(action, ZE_ACTION_MESSAGE, a.message->c_str());
    std::vector<const char *> columns;
    for (const auto &c : a.columns) columns.push_back(c.c_str());

    if (r.view.kind == ZE_RESPONSE_COLLECTION) {
        if (!a.columns.empty()) note(r, send_list(action, ZE_ACTION_ANSWER_HEADER, columns));
        for (const Row &row : a.rows) {
            std::vector<const char *> values;
            for (const auto &v : row) values.push_back(c_str(v));
            note(r, send_list(action, ZE_ACTION_ANSWER_ROW, values));
        }
    } else if (r.view.kind == ZE_RESPONSE_LIST) {
        for (const auto &n : a.names) note(r, ZeSetDtsActionField(action, ZE_ACTION_LIST_NAME, n.c_str()));
    } else if (!a.columns.empty()) {
        std::vector<const char *> values(columns.size(), nullptr);
        if (!a.rows.empty())
            for (std::size_t i = 0; i < values.size() && i < a.rows[0].size(); ++i) values[i] = c_str(a.rows[0][i]);
        note(r, ZeSetDtsActionField(action, ZE_ACTION_ANSWER_ITEM, const_cast<char **>(columns.data()),
                                    const_cast<char **>(values.data()), static_cast<int>(columns.size())));
    }
}

Answer &current() { return script.empty() ? script.emplace_back() : script.back(); }

const TestRouterApi api = {
    [] {
        script.clear();
        requests.clear();
    },
    [](unsigned code, const char *message) {
        script.push_back(Answer{code, text_or_null(message), {}, {}, {}});
    },
    [](const char *const *columns, int count) {
        for (int i = 0; i < count; ++i) current().columns.emplace_back(columns[i]);
    },
    [](const char *const *values, int count) {
        Row row;
        for (int i = 0; i < count; ++i) row.push_back(text_or_null(values[i]));
        current().rows.push_back(std::move(row));
    },
    [](const char *name) { current().names.emplace_back(name); },
    [] { return static_cast<int>(requests.size()); },
    [](int index) -> const TestRouterRequest * {
        return index >= 0 && index < static_cast<int>(requests.size()) ? &requests[index].view : nullptr;
    },
};

}  // namespace

extern "C" {

__attribute__((visibility("default"))) const TestRouterApi *test_router_api(void) { return &api; }

__attribute__((visibility("default"))) unsigned int router_client(DtsAction *action)
{
    Recorded &r = requests.emplace_back();
    record_request(action, r);
    Answer a;
    if (!script.empty()) {
        a = std::move(script.front());
        script.pop_front();
    }
    deliver(action, a, r);
    return a.code;
}

}  // extern "C"
