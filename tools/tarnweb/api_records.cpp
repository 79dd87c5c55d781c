// api_records.cpp - the handlers of groups and members, and of export and
// import of record files.
#include "handlers.hpp"

#include "records.hpp"

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace tarnweb {
namespace {

// A private directory for one request's record file, removed with it.
class ScratchDir {
public:
    ScratchDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tarnweb-XXXXXX").string();
        if (mkdtemp(pattern.data())) path_ = pattern;
    }
    ~ScratchDir()
    {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;
    bool ok() const { return !path_.empty(); }
    std::string file(const char *name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// The kind of the path when it has groups; NULL with the answer sent.
admcore::Kind *group_kind(Call &call)
{
    admcore::Kind *kind = path_kind(call);
    if (kind && !kind->has_groups()) {
        send_error(call.res, 404, "object " + kind->name + " has no groups");
        return nullptr;
    }
    return kind;
}

// Answers the items of `filter` in the fields given.
void send_items(Call &call, admcore::Kind &kind, Filter *filter, const std::vector<admcore::FieldInfo> &fields,
                const char *what)
{
    Columns columns;
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (!fields[i].pseudo) columns.indexes.push_back(i), columns.secret.push_back(false);
    admcore::Result<unsigned> count = admcore::open_items(kind, filter, what);
    if (!count) return send_problem(call.res, count.problem());
    const std::string message = node_message(kind);
    Json items = Json::array();
    admcore::Result<char **> values = nullptr;
    while ((values = admcore::next_item(kind)) && *values) items.push_back(item_object(fields, columns, *values));
    if (!values) return send_problem(call.res, values.problem());
    send_json(call.res, 200, {{"items", items}, {"count", items.size()}, {"message", message}});
}

// Whether `member` is in `group`, from the group's member list.
admcore::Result<bool> is_member(admcore::Kind &kind, const std::string &group, const std::string &member)
{
    admcore::Result<unsigned> count = admcore::open_items(kind, admcore::members_filter(group).get(), "cannot list");
    if (!count) return count.problem();
    std::size_t key = 0;
    while (key < kind.groupFields.size() && !kind.groupFields[key].key) ++key;
    bool found = false;
    admcore::Result<char **> values = nullptr;
    while ((values = admcore::next_item(kind)) && *values)
        found = found || (key < kind.groupFields.size() && (*values)[key] && member == (*values)[key]);
    if (!values) return values.problem();
    return found;
}

std::string summary_line(const admcore::ImportSummary &summary, std::size_t total)
{
    Json failures = Json::array();
    for (const admcore::ItemFailure &f : summary.failures) {
        Json entry = {{"record", f.item}, {"code", f.code}, {"message", f.message}};
        if (f.nodeCode) entry["node_code"] = f.nodeCode;
        failures.push_back(std::move(entry));
    }
    std::string message = std::to_string(summary.done) + " defined, ";
    if (summary.skipped) message += std::to_string(summary.skipped) + " skipped, ";
    if (summary.replaced) message += std::to_string(summary.replaced) + " replaced, ";
    message += std::to_string(summary.failures.size()) + " failed";
    // The node could not be asked at all: nothing was imported.
    if (summary.problem) message = summary.problem->what + "; nothing imported";
    const Json body = {{"total", total},
                       {"defined", summary.done},
                       {"skipped", summary.skipped},
                       {"replaced", summary.replaced},
                       {"failed", summary.failures.size()},
                       {"failures", failures},
                       {"message", message}};
    return body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace

void list_groups(Call &call)
{
    if (admcore::Kind *kind = group_kind(call))
        send_items(call, *kind, admcore::groups_filter(*kind).get(), kind->fields, "cannot list the groups");
}

void list_members(Call &call)
{
    if (admcore::Kind *kind = group_kind(call))
        send_items(call, *kind, admcore::members_filter(call.req.matches[3]).get(), kind->groupFields,
                   "cannot list the members");
}

void add_member(Call &call)
{
    std::optional<Json> body = json_body(call.req, call.res);
    if (!body) return;
    auto member = body->find("member");
    if (member == body->end() || !member->is_string() || member->get_ref<const std::string &>().empty())
        return send_error(call.res, 400, "\"member\" must be a text");
    admcore::Kind *kind = group_kind(call);
    if (!kind) return;
    if (admcore::Failure failure = admcore::change_member(*kind, call.req.matches[3], member->get<std::string>(), true))
        return send_problem(call.res, *failure);
    send_json(call.res, 201, {{"message", node_message(*kind)}});
}

void remove_member(Call &call)
{
    admcore::Kind *kind = group_kind(call);
    if (!kind) return;
    const std::string group = call.req.matches[3], member = call.req.matches[4];
    admcore::Result<bool> member_of = is_member(*kind, group, member);
    if (!member_of) return send_problem(call.res, member_of.problem());
    if (!*member_of) return send_error(call.res, 404, member + " is not a member of " + group);
    if (admcore::Failure failure = admcore::change_member(*kind, group, member, false))
        return send_problem(call.res, *failure);
    send_json(call.res, 200, {{"message", node_message(*kind)}});
}

void export_items(Call &call)
{
    admcore::Kind *kind = path_kind(call);
    if (!kind) return;
    const std::vector<std::string> criteria = query_values(call.req, "where");
    // A PASSWORD field's values never leave the console: the file goes without them.
    Columns shown, columns;
    if (!columns_of(call, kind->fields, &descriptions(call, *kind), shown)) return;
    for (std::size_t c = 0; c < shown.indexes.size(); ++c)
        if (!shown.secret[c]) columns.indexes.push_back(shown.indexes[c]);
    admcore::Result<admcore::FilterPtr> filter = admcore::criteria_filter(kind->fields, criteria);
    if (!filter) return send_problem(call.res, filter.problem());
    ScratchDir scratch;
    if (!scratch.ok()) return send_error(call.res, 500, "no room for the record file");
    const std::string path = scratch.file("export.rdw");
    admcore::Result<std::size_t> written = admcore::export_records(*kind, filter->get(), columns.indexes, path, false);
    if (!written) return send_problem(call.res, written.problem());
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    call.res.set_content(bytes.str(), "application/octet-stream");
    call.res.set_header("Content-Disposition", "attachment; filename=\"" + kind->name + ".rdw\"");
    call.res.set_header("X-Record-Count", std::to_string(*written));
}

void import_items(Call &call)
{
    admcore::Kind *kind = path_kind(call);
    if (!kind) return;
    admcore::ImportOptions options;
    options.stopOnError = query_value(call.req, "stop_on_error") == "1";
    const std::string existing = query_value(call.req, "existing");
    if (existing == "skip") options.existing = admcore::Existing::Skip;
    else if (existing == "replace") options.existing = admcore::Existing::Replace;
    else if (!existing.empty()) return send_error(call.res, 400, "existing must be skip or replace");
    ScratchDir scratch;
    if (!scratch.ok()) return send_error(call.res, 500, "no room for the record file");
    const std::string path = scratch.file("import.rdw");
    std::ofstream(path, std::ios::binary)
        .write(call.req.body.data(), static_cast<std::streamsize>(call.req.body.size()));
    admcore::Result<admcore::RecordFile> read = admcore::read_records(*kind, path, false);
    if (!read) {
        // The scratch file's name means nothing to the client.
        admcore::Problem problem = read.problem();
        if (const std::size_t at = problem.what.find(path); at != std::string::npos)
            problem.what.replace(at, path.size(), "the record file");
        return send_problem(call.res, problem);
    }
    if (admcore::Failure refused = admcore::validate_records(*kind, *read)) return send_problem(call.res, *refused);
    auto file = std::make_shared<admcore::RecordFile>(std::move(*read));
    const std::size_t total = file->records.size();
    if (call.req.get_header_value("Accept").find("application/x-ndjson") == std::string::npos) {
        const admcore::ImportSummary summary = admcore::import_records(*kind, *file, options);
        if (summary.problem) return send_problem(call.res, *summary.problem);
        call.res.set_content(summary_line(summary, total), "application/json");
        return;
    }
    // Progress as it goes: one line {"done", "total"} every few records,
    // then the summary. The import holds the session's turn as it runs.
    std::shared_ptr<WebSession> session = call.session;
    call.res.set_chunked_content_provider(
        "application/x-ndjson", [session, kind, file, total, options](std::size_t, httplib::DataSink &sink) {
            std::lock_guard<std::mutex> turn(session->turn);
            std::string line;
            if (!session->open) {
                line = R"({"message":"the session has ended"})"
                       "\n";
            } else {
                const std::size_t step = std::max<std::size_t>(1, total / 100);
                // Batches of one step each, so that progress comes at every step.
                admcore::ImportOptions batched = options;
                batched.batchSize = step;
                const admcore::ImportSummary summary =
                    admcore::import_records(*kind, *file, batched, [&](std::size_t done) {
                        if (done % step != 0 && done != total) return true;
                        const std::string progress =
                            R"({"done":)" + std::to_string(done) + R"(,"total":)" + std::to_string(total) + "}\n";
                        return sink.write(progress.data(), progress.size());
                    });
                line = summary_line(summary, total) + "\n";
            }
            sink.write(line.data(), line.size());
            sink.done();
            return true;
        });
}

}  // namespace tarnweb
