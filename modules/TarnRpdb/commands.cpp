// The commands of the router on one table, and the answers they send back
// through the action fields: rows (19 and 20), a single row (12) and names
// (21). Every answer goes out before the transaction commits, so a refused
// answer rolls the request back.
#include "rpdb.hpp"

#include "ZeDts.h"

#include <algorithm>

namespace rpdb {

namespace {

// ------------------------------------------------------------ answers

struct ListDeleter {
    void operator()(TarnList *list) const { TarnListDelete(&list, nullptr); }
};
using List = std::unique_ptr<TarnList, ListDeleter>;

List new_list()
{
    TarnList *list = nullptr;
    if (!TarnListCreateNoDebug(&list)) fail(ZE_RC_NO_MEMORY, "Out of memory");
    return List(list);
}

// The list only points at the text; the library copies what it keeps.
void append(TarnList *list, const char *text)
{
    if (!TarnListInsertEntry(list, const_cast<char *>(text), 1, nullptr, 0, 0)) fail(ZE_RC_NO_MEMORY, "Out of memory");
}

void check_accepted(unsigned rc, const std::string &what)
{
    if (rc != ZE_OK)
        fail(TARN_RPDB_RC_ANSWER_REFUSED,
             "The client refused " + what + " (code " + std::to_string(rc) + "); nothing was changed");
}

// One answer row as field 20 takes it: a list whose entries point at one
// buffer per column. The list is made once and remade only when a buffer
// moves to hold a longer value, so a row costs copies, not allocations.
class RowList {
public:
    explicit RowList(std::size_t width) : cells_(width) {}

    TarnList *fill(const Statement &rows)
    {
        bool moved = !list_;
        for (std::size_t i = 0; i < cells_.size(); ++i) {
            const char *before = cells_[i].data();
            cells_[i].assign(rows.view(static_cast<int>(i)));
            moved = moved || cells_[i].data() != before;
        }
        if (moved) {
            list_ = new_list();
            for (const std::string &cell : cells_) append(list_.get(), cell.c_str());
        }
        return list_.get();
    }

private:
    std::vector<std::string> cells_;
    List list_;
};

// Field 19 with the table's columns, then field 20 per row.
std::size_t send_rows(DtsAction *action, Statement &rows, const Table &table)
{
    List header = new_list();
    for (const Column &column : table.columns) append(header.get(), column.name.c_str());
    check_accepted(ZeSetDtsActionField(action, ZE_ACTION_ANSWER_HEADER, header.get()), "the answer header");

    RowList row(table.columns.size());
    std::size_t count = 0;
    while (rows.step()) {
        unsigned rc = ZeSetDtsActionField(action, ZE_ACTION_ANSWER_ROW, row.fill(rows));
        if (rc != ZE_OK) check_accepted(rc, "the row of " + table.name + " " + rows.text(static_cast<int>(table.key)));
        ++count;
    }
    return count;
}

// Field 21 with the first column of each row.
std::size_t send_names(DtsAction *action, Statement &rows)
{
    std::size_t count = 0;
    while (rows.step()) {
        unsigned rc = ZeSetDtsActionField(action, ZE_ACTION_LIST_NAME, rows.text(0));
        if (rc != ZE_OK) check_accepted(rc, std::string("the name ") + rows.text(0));
        ++count;
    }
    return count;
}

// Field 12 with the first row; false when there is none.
bool send_item(DtsAction *action, Statement &rows, const Table &table)
{
    if (!rows.step()) return false;
    std::vector<char *> names, values;
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        names.push_back(const_cast<char *>(table.columns[i].name.c_str()));
        values.push_back(const_cast<char *>(rows.text(static_cast<int>(i))));
    }
    check_accepted(ZeSetDtsActionField(action, ZE_ACTION_ANSWER_ITEM, names.data(), values.data(),
                                       static_cast<int>(names.size())),
                   "the row of " + table.name + " " + values[table.key]);
    return true;
}

// ------------------------------------------------------------ SQL pieces

std::string column_list(const Table &table)
{
    std::string list;
    for (const Column &column : table.columns) {
        if (!list.empty()) list += ", ";
        list += quoted(column.name);
    }
    return list;
}

std::string key_is(const Table &table) { return " WHERE " + quoted(table.keyColumn().name) + " = ?"; }

Param key_param(std::string_view key) { return {std::string(key)}; }

// An empty value stores NULL.
Param value_param(std::string_view value) { return value.empty() ? Param{{}, true} : Param{std::string(value)}; }

bool exists(sqlite3 *db, const Table &table, std::string_view key)
{
    Statement probe(db, "SELECT 1 FROM " + quoted(table.name) + key_is(table), {key_param(key)});
    return probe.step();
}

std::string rows_text(std::size_t count, const char *done)
{
    return std::to_string(count) + (count == 1 ? " row " : " rows ") + done;
}

std::string item_text(const Table &table, std::string_view key) { return table.name + " " + std::string(key); }

// The not-found message: names the item when the request names one key.
std::string not_found(const Table &table, const std::vector<Criterion> &criteria)
{
    if (criteria.size() == 1 && criteria[0].column == &table.keyColumn() && criteria[0].op == Relop::EQ &&
        !is_pattern(criteria[0]))
        return item_text(table, criteria[0].value) + " not found";
    return "No " + table.name + " matches the request";
}

// ------------------------------------------------------------ reading

void refuse_copy_key(const Request &request, const std::vector<Criterion> &criteria)
{
    for (const Criterion &c : criteria)
        if (!c.column)
            fail(TARN_RPDB_RC_BAD_REQUEST, std::string(request.word) + " does not take " TARN_RPDB_COPY_KEY
                                                                       " (only DEFINE, ALTER, COPY and RENAME do)");
}

std::string select(const Request &request, sqlite3 *db, const Table &table, const std::vector<Criterion> &criteria)
{
    refuse_copy_key(request, criteria);
    enum class Shape { Rows, Item, Names } shape = Shape::Names;
    if (request.command == Command::Select) {
        if (request.kind == ZE_RESPONSE_COLLECTION) shape = Shape::Rows;
        else if (request.kind == ZE_RESPONSE_ITEM) shape = Shape::Item;
        else if (request.kind != ZE_RESPONSE_LIST)
            fail(TARN_RPDB_RC_BAD_REQUEST,
                 "Response kind " + std::to_string(request.kind) + " is not supported (1, 3 or 15)");
    }
    std::vector<Param> params;
    std::string sql = "SELECT " + (shape == Shape::Names ? quoted(table.keyColumn().name) : column_list(table)) +
                      " FROM " + quoted(table.name) + where_clause(criteria, params) + " ORDER BY " +
                      quoted(table.keyColumn().name);
    if (shape == Shape::Item) sql += " LIMIT 1";
    Statement rows(db, sql, params);
    switch (shape) {
    case Shape::Rows: return rows_text(send_rows(request.action, rows, table), "selected");
    case Shape::Names: return rows_text(send_names(request.action, rows), "selected");
    case Shape::Item: break;
    }
    if (!send_item(request.action, rows, table)) fail(TARN_RPDB_RC_NOT_FOUND, not_found(table, criteria));
    return rows_text(1, "selected");
}

// ------------------------------------------------------------ writing

// The fields of DEFINE, ALTER, COPY and RENAME: EQ criteria only, each
// column at most once.
struct WriteFields {
    std::string_view key;                    // the key column's value
    std::string_view otherKey;               // COPY_KEY's value
    std::vector<const Criterion *> changes;  // the other columns
};

WriteFields write_fields(const Request &request, const Table &table, const std::vector<Criterion> &criteria)
{
    WriteFields fields;
    std::vector<const Column *> seen;
    bool copyKeySeen = false;
    for (const Criterion &c : criteria) {
        std::string name = c.column ? c.column->name : TARN_RPDB_COPY_KEY;
        if (c.op != Relop::EQ)
            fail(TARN_RPDB_RC_BAD_REQUEST,
                 std::string(request.word) + " takes only EQ criteria, not " + name + " " + std::string(c.relop));
        bool repeated = c.column ? std::find(seen.begin(), seen.end(), c.column) != seen.end() : copyKeySeen;
        if (repeated) fail(TARN_RPDB_RC_BAD_REQUEST, "Column " + name + " is given twice");
        if (!c.column) {
            copyKeySeen = true;
            fields.otherKey = c.value;
            continue;
        }
        seen.push_back(c.column);
        if (c.column == &table.keyColumn()) fields.key = c.value;
        else fields.changes.push_back(&c);
    }
    return fields;
}

const Criterion *change_of(const WriteFields &fields, const Column &column)
{
    for (const Criterion *c : fields.changes)
        if (c->column == &column) return c;
    return nullptr;
}

// Inserts row `key` from the changes; with a model, the columns the changes
// do not give are copied from row `model`.
void insert_row(sqlite3 *db, const Table &table, std::string_view key, std::string_view model,
                const WriteFields &fields)
{
    std::vector<Param> params{key_param(key)};
    std::string columns = quoted(table.keyColumn().name), values = "?";
    for (const Column &column : table.columns) {
        if (&column == &table.keyColumn()) continue;
        const Criterion *change = change_of(fields, column);
        if (!change && model.empty()) continue;
        columns += ", " + quoted(column.name);
        if (change) {
            values += ", ?";
            params.push_back(value_param(change->value));
        } else {
            values += ", " + quoted(column.name);
        }
    }
    std::string sql = "INSERT INTO " + quoted(table.name) + " (" + columns + ")";
    if (model.empty()) {
        sql += " VALUES (" + values + ")";
    } else {
        sql += " SELECT " + values + " FROM " + quoted(table.name) + key_is(table);
        params.push_back(key_param(model));
    }
    Statement(db, sql, params).step();
}

// Sets the changes (and a new key) on row `key`; false when there is nothing to set.
bool update_row(sqlite3 *db, const Table &table, std::string_view key, std::string_view newKey,
                const WriteFields &fields)
{
    std::vector<Param> params;
    std::string sets;
    auto set = [&](const Column &column, Param value) {
        sets += sets.empty() ? " SET " : ", ";
        sets += quoted(column.name) + " = ?";
        params.push_back(std::move(value));
    };
    if (!newKey.empty() && newKey != key) set(table.keyColumn(), key_param(newKey));
    for (const Criterion *c : fields.changes) set(*c->column, value_param(c->value));
    if (sets.empty()) return false;
    params.push_back(key_param(key));
    Statement(db, "UPDATE " + quoted(table.name) + sets + key_is(table), params).step();
    return true;
}

// Field 12 with row `key` as it now stands.
void send_written(const Request &request, sqlite3 *db, const Table &table, std::string_view key)
{
    Statement row(db, "SELECT " + column_list(table) + " FROM " + quoted(table.name) + key_is(table),
                  {key_param(key)});
    if (!send_item(request.action, row, table)) fail(TARN_RPDB_RC_NOT_FOUND, item_text(table, key) + " not found");
}

void require_key(const Request &request, const Table &table, std::string_view key)
{
    if (key.empty())
        fail(TARN_RPDB_RC_BAD_REQUEST,
             std::string(request.word) + " needs a value for the key column " + table.keyColumn().name);
}

void require_new_key(const Request &request, std::string_view newKey)
{
    if (newKey.empty())
        fail(TARN_RPDB_RC_BAD_REQUEST, std::string(request.word) + " needs the new key in " TARN_RPDB_COPY_KEY);
}

void require_row(sqlite3 *db, const Table &table, std::string_view key)
{
    if (!exists(db, table, key)) fail(TARN_RPDB_RC_NOT_FOUND, item_text(table, key) + " not found");
}

void require_free_key(sqlite3 *db, const Table &table, std::string_view key)
{
    if (exists(db, table, key)) fail(TARN_RPDB_RC_ALREADY_EXISTS, item_text(table, key) + " already exists");
}

// DEFINE (new key = key column, optional model = COPY_KEY) and COPY (new
// key = COPY_KEY, model = key column).
std::string create(const Request &request, sqlite3 *db, const Table &table, const WriteFields &fields)
{
    require_key(request, table, fields.key);
    bool copy = request.command == Command::Copy;
    if (copy) require_new_key(request, fields.otherKey);
    std::string_view newKey = copy ? fields.otherKey : fields.key;
    std::string_view model = copy ? fields.key : fields.otherKey;
    if (!model.empty()) require_row(db, table, model);
    require_free_key(db, table, newKey);
    insert_row(db, table, newKey, model, fields);
    send_written(request, db, table, newKey);
    if (copy) return item_text(table, model) + " copied to " + std::string(newKey);
    return item_text(table, newKey) + " defined" + (model.empty() ? "" : " like " + std::string(model));
}

// ALTER (optional new key) and RENAME (new key required).
std::string change(const Request &request, sqlite3 *db, const Table &table, const WriteFields &fields)
{
    require_key(request, table, fields.key);
    bool rename = request.command == Command::Rename;
    if (rename) require_new_key(request, fields.otherKey);
    std::string_view newKey = fields.otherKey;
    require_row(db, table, fields.key);
    bool renamed = !newKey.empty() && newKey != fields.key;
    if (renamed) require_free_key(db, table, newKey);
    bool changed = update_row(db, table, fields.key, newKey, fields);
    send_written(request, db, table, newKey.empty() ? fields.key : newKey);
    std::string text = item_text(table, fields.key);
    if (rename) return text + " renamed to " + std::string(newKey);
    if (!changed) return text + " not changed: the request gives no column to alter";
    return text + " altered" + (renamed ? " and renamed to " + std::string(newKey) : "");
}

std::string erase(const Request &request, sqlite3 *db, const Table &table, const std::vector<Criterion> &criteria)
{
    refuse_copy_key(request, criteria);
    if (criteria.empty()) fail(TARN_RPDB_RC_BAD_REQUEST, "DELETE needs at least one criterion");
    std::vector<Param> params;
    Statement rows(db,
                   "DELETE FROM " + quoted(table.name) + where_clause(criteria, params) + " RETURNING " +
                       quoted(table.keyColumn().name),
                   params);
    std::size_t count = 0;
    std::string first;
    while (rows.step())
        if (count++ == 0) first = rows.text(0);
    if (count == 0) fail(TARN_RPDB_RC_NOT_FOUND, not_found(table, criteria));
    return count == 1 ? item_text(table, first) + " deleted" : rows_text(count, "deleted");
}

}  // namespace

std::string run(const Request &request, sqlite3 *db, const Table &table)
{
    std::vector<Criterion> criteria = resolve(request, table);
    switch (request.command) {
    case Command::Select:
    case Command::List: return select(request, db, table, criteria);
    case Command::Define:
    case Command::Copy: return create(request, db, table, write_fields(request, table, criteria));
    case Command::Alter:
    case Command::Rename: return change(request, db, table, write_fields(request, table, criteria));
    case Command::Delete: return erase(request, db, table, criteria);
    case Command::Logon:
    case Command::Logoff:
    case Command::Verify: break;  // carried out by run_session
    }
    fail(TARN_RPDB_RC_BAD_REQUEST, "Command " + std::string(request.word) + " is unknown");
}

}  // namespace rpdb
