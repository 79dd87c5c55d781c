// The commands of the router on one table, and the answers they send back
// through the action fields: rows (19 and 20), a single row (12) and names
// (21). Every answer goes out before the transaction commits, so a refused
// answer rolls the request back.
#include "core.hpp"
#include "sql.hpp"

#include <algorithm>
#include <cstring>

namespace routecore {

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
        fail(TARN_ROUTER_RC_ANSWER_REFUSED,
             "The client refused " + what + " (code " + std::to_string(rc) + "); nothing was changed");
}

// One answer row as field 20 takes it: a list whose entries point at one
// buffer per column. The list is made once and remade only when a buffer
// moves to hold a longer value, so a row costs copies, not allocations.
// Values are copied up to their terminator, as the library reads them.
class RowList {
public:
    RowList(const Table &table, AnswerForm &form) : table_(table), form_(form), cells_(table.columns.size()) {}

    TarnList *fill(const Rows &rows)
    {
        bool moved = !list_;
        for (std::size_t i = 0; i < cells_.size(); ++i)
            moved = put(cells_[i], form_.text(rows, static_cast<int>(i), table_.columns[i])) || moved;
        if (moved) {
            list_ = new_list();
            for (std::vector<char> &cell : cells_) append(list_.get(), cell.data());
        }
        return list_.get();
    }

private:
    // Copies the value and its terminator; true when the buffer had to grow
    // (and so may have moved).
    static bool put(std::vector<char> &cell, const char *value)
    {
        const std::size_t size = std::strlen(value) + 1;
        const bool grows = cell.size() < size;
        if (grows) cell.resize(std::max(size, 2 * cell.size()));
        std::memcpy(cell.data(), value, size);
        return grows;
    }

    const Table &table_;
    AnswerForm &form_;
    std::vector<std::vector<char>> cells_;
    List list_;
};

std::string item_text(const Table &table, std::string_view key) { return table.label + " " + std::string(key); }

// Field 19 with the table's columns, then field 20 per row.
std::size_t send_rows(DtsAction *action, Rows &rows, const Table &table, AnswerForm &form)
{
    List header = new_list();
    for (const Column &column : table.columns) append(header.get(), column.label.c_str());
    check_accepted(ZeSetDtsActionField(action, ZE_ACTION_ANSWER_HEADER, header.get()), "the answer header");

    RowList row(table, form);
    std::size_t count = 0;
    while (rows.step()) {
        unsigned rc = ZeSetDtsActionField(action, ZE_ACTION_ANSWER_ROW, row.fill(rows));
        if (rc != ZE_OK) check_accepted(rc, "the row of " + item_text(table, rows.value(static_cast<int>(table.key))));
        ++count;
    }
    return count;
}

// Field 21 with the key (the first column) of each row.
std::size_t send_names(DtsAction *action, Rows &rows, const Table &table, AnswerForm &form)
{
    std::size_t count = 0;
    while (rows.step()) {
        const char *name = form.text(rows, 0, table.keyColumn());
        unsigned rc = ZeSetDtsActionField(action, ZE_ACTION_LIST_NAME, name);
        if (rc != ZE_OK) check_accepted(rc, std::string("the name ") + name);
        ++count;
    }
    return count;
}

// Field 12 with the first row; false when there is none.
bool send_item(DtsAction *action, Rows &rows, const Table &table, AnswerForm &form)
{
    if (!rows.step()) return false;
    std::vector<char *> names, values;
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        names.push_back(const_cast<char *>(table.columns[i].label.c_str()));
        values.push_back(const_cast<char *>(form.text(rows, static_cast<int>(i), table.columns[i])));
    }
    check_accepted(
        ZeSetDtsActionField(action, ZE_ACTION_ANSWER_ITEM, names.data(), values.data(), static_cast<int>(names.size())),
        "the row of " + item_text(table, values[table.key]));
    return true;
}

// ------------------------------------------------------------ SQL pieces

void column_list(Sql &sql, const Table &table)
{
    bool first = true;
    for (const Column &column : table.columns) {
        if (!first) sql << ", ";
        sql.name(column.name);
        first = false;
    }
}

void key_is(Sql &sql, const Table &table, std::string_view key)
{
    sql << " WHERE ";
    sql.equality_operand(table.keyColumn()) << " = ";
    sql.bind({std::string(key), false, &table.keyColumn()});
}

// An empty value stores NULL.
Param value_param(std::string_view value, const Column &column)
{
    return value.empty() ? Param{{}, true, &column} : Param{std::string(value), false, &column};
}

bool exists(Store &store, const Table &table, std::string_view key)
{
    Sql probe(store);
    probe << "SELECT 1 FROM " << store.quoted(table.name);
    key_is(probe, table, key);
    return probe.run(store)->step();
}

std::string rows_text(std::size_t count, const char *done)
{
    return std::to_string(count) + (count == 1 ? " row " : " rows ") + done;
}

// The not-found message: names the item when the request names one key.
std::string not_found(const Table &table, const std::vector<Criterion> &criteria)
{
    if (criteria.size() == 1 && criteria[0].column == &table.keyColumn() && criteria[0].op == Relop::EQ &&
        !is_pattern(criteria[0]))
        return item_text(table, criteria[0].value) + " not found";
    return "No " + table.label + " matches the request";
}

// ------------------------------------------------------------ pages

// A SELECT of rows (response kind 15) with a delta attached asks for one
// page: the rows whose key is above the delta's cursor (every row for an
// empty cursor), at most its count of them (0: no bound). Keyset paging on
// the key, so a page costs the same wherever it lies. After the answer the
// delta holds the key of the last row sent (the next page's cursor;
// unchanged when none was sent) and the number of rows sent.
class Page {
public:
    explicit Page(DtsAction *action) : action_(action)
    {
        unsigned attached = 0;
        char *cursor = nullptr;
        if (ZeGetDtsActionField(action, ZE_ACTION_HAS_DELTA, &attached) != ZE_OK || !attached) return;
        if (ZeGetDtsActionField(action, ZE_ACTION_DELTA_FIELDS, &cursor, &count_) != ZE_OK) return;
        paged_ = true;
        last_ = view(cursor);
    }

    // " AND|WHERE key > cursor", then the caller's ORDER BY, then limit().
    void bound(Sql &sql, const Table &table, bool hasWhere) const
    {
        if (!paged_ || last_.empty()) return;
        sql << (hasWhere ? " AND " : " WHERE ");
        sql.operand(table.keyColumn()) << " > ";
        sql.bind({last_, false, &table.keyColumn()});
    }
    void limit(Sql &sql) const
    {
        if (paged_ && count_ > 0) sql << " LIMIT " << std::to_string(count_);
    }

    // Rows that remember the key of the last row stepped to.
    std::unique_ptr<Rows> track(std::unique_ptr<Rows> rows, std::size_t keyColumn)
    {
        if (!paged_) return rows;
        return std::make_unique<Tracked>(std::move(rows), static_cast<int>(keyColumn), *this);
    }

    // Hands the next page's cursor and the rows sent back through the delta.
    void close() const
    {
        if (paged_)
            check_accepted(ZeSetDtsActionField(action_, ZE_ACTION_DELTA_FIELDS, last_.c_str(), sent_), "the page");
    }

private:
    class Tracked : public Rows {
    public:
        Tracked(std::unique_ptr<Rows> rows, int key, Page &page) : rows_(std::move(rows)), key_(key), page_(page) {}
        bool step() override
        {
            if (!rows_->step()) return false;
            page_.last_ = rows_->value(key_);
            ++page_.sent_;
            return true;
        }
        std::string_view value(int i) const override { return rows_->value(i); }
        const char *text(int i) const override { return rows_->text(i); }

    private:
        std::unique_ptr<Rows> rows_;
        int key_;
        Page &page_;
    };

    DtsAction *action_;
    bool paged_ = false;
    unsigned count_ = 0, sent_ = 0;
    std::string last_;
};

// ------------------------------------------------------------ reading

void refuse_copy_key(const Request &request, const std::vector<Criterion> &criteria)
{
    for (const Criterion &c : criteria)
        if (!c.column)
            fail(TARN_ROUTER_RC_BAD_REQUEST, std::string(request.word) + " does not take " TARN_ROUTER_COPY_KEY
                                                                         " (only DEFINE, ALTER, COPY and RENAME do)");
}

std::string select(const Request &request, Store &store, const Table &table, const std::vector<Criterion> &criteria)
{
    refuse_copy_key(request, criteria);
    enum class Shape { Rows, Item, Names } shape = Shape::Names;
    if (request.command == Command::Select) {
        if (request.kind == ZE_RESPONSE_COLLECTION) shape = Shape::Rows;
        else if (request.kind == ZE_RESPONSE_ITEM) shape = Shape::Item;
        else if (request.kind != ZE_RESPONSE_LIST)
            fail(TARN_ROUTER_RC_BAD_REQUEST,
                 "Response kind " + std::to_string(request.kind) + " is not supported (1, 3 or 15)");
    }
    Page page(request.action);
    Sql sql(store);
    sql << "SELECT ";
    if (shape == Shape::Names) sql.name(table.keyColumn().name);
    else column_list(sql, table);
    sql << " FROM " << store.quoted(table.name);
    where_clause(sql, criteria);
    if (shape == Shape::Rows) page.bound(sql, table, !criteria.empty());
    sql << " ORDER BY " << store.operand(table.keyColumn());
    if (shape == Shape::Item) sql << " LIMIT 1";
    if (shape == Shape::Rows) page.limit(sql);
    std::unique_ptr<Rows> rows = sql.run(store);
    AnswerForm form(request, table);
    switch (shape) {
    case Shape::Rows: {
        const std::size_t sent = send_rows(request.action, *page.track(std::move(rows), table.key), table, form);
        page.close();
        return rows_text(sent, "selected");
    }
    case Shape::Names: return rows_text(send_names(request.action, *rows, table, form), "selected");
    case Shape::Item: break;
    }
    if (!send_item(request.action, *rows, table, form)) fail(TARN_ROUTER_RC_NOT_FOUND, not_found(table, criteria));
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
    fields.changes.reserve(criteria.size());
    std::vector<const Column *> seen;
    seen.reserve(criteria.size());
    bool copyKeySeen = false;
    for (const Criterion &c : criteria) {
        auto name = [&] { return c.column ? c.column->label : std::string(TARN_ROUTER_COPY_KEY); };
        if (c.op != Relop::EQ)
            fail(TARN_ROUTER_RC_BAD_REQUEST,
                 std::string(request.word) + " takes only EQ criteria, not " + name() + " " + std::string(c.relop));
        bool repeated = c.column ? std::find(seen.begin(), seen.end(), c.column) != seen.end() : copyKeySeen;
        if (repeated) fail(TARN_ROUTER_RC_BAD_REQUEST, "Column " + name() + " is given twice");
        if (!c.column) {
            copyKeySeen = true;
            fields.otherKey = c.bound;
            continue;
        }
        seen.push_back(c.column);
        if (c.column == &table.keyColumn()) {
            fields.key = c.bound;
            continue;
        }
        // An empty value clears the column: refused where the column needs one.
        if (c.bound.empty() && c.column->notNull)
            fail(TARN_ROUTER_RC_VALUE_REFUSED, c.column->label + ": a value is required");
        fields.changes.push_back(&c);
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
void insert_row(Store &store, const Table &table, std::string_view key, std::string_view model,
                const WriteFields &fields)
{
    const Column &keyColumn = table.keyColumn();
    Sql sql(store);
    sql << "INSERT INTO " << store.quoted(table.name) << " (";
    sql.name(keyColumn.name);
    for (const Column &column : table.columns)
        if (&column != &keyColumn && (change_of(fields, column) || !model.empty()))
            sql << ", " << store.quoted(column.name);
    sql << (model.empty() ? ") VALUES (" : ") SELECT ");
    sql.bind({std::string(key), false, &keyColumn});
    for (const Column &column : table.columns) {
        if (&column == &keyColumn) continue;
        const Criterion *change = change_of(fields, column);
        if (change) {
            sql << ", ";
            sql.bind(value_param(change->bound, column));
        } else if (!model.empty()) {
            sql << ", " << store.quoted(column.name);
        }
    }
    if (model.empty()) {
        sql << ")";
    } else {
        sql << " FROM " << store.quoted(table.name);
        key_is(sql, table, model);
    }
    sql.run(store)->step();
}

// Sets the changes (and a new key) on row `key`; false when there is nothing to set.
bool update_row(Store &store, const Table &table, std::string_view key, std::string_view newKey,
                const WriteFields &fields)
{
    Sql sql(store);
    sql << "UPDATE " << store.quoted(table.name);
    bool any = false;
    auto set = [&](const Column &column, Param value) {
        sql << (any ? ", " : " SET ") << store.quoted(column.name) << " = ";
        sql.bind(std::move(value));
        any = true;
    };
    if (!newKey.empty() && newKey != key) set(table.keyColumn(), {std::string(newKey), false, &table.keyColumn()});
    for (const Criterion *c : fields.changes) set(*c->column, value_param(c->bound, *c->column));
    if (!any) return false;
    key_is(sql, table, key);
    sql.run(store)->step();
    return true;
}

// Field 12 with row `key` as it now stands.
void send_written(const Request &request, Store &store, const Table &table, std::string_view key)
{
    Sql sql(store);
    sql << "SELECT ";
    column_list(sql, table);
    sql << " FROM " << store.quoted(table.name);
    key_is(sql, table, key);
    std::unique_ptr<Rows> row = sql.run(store);
    AnswerForm form(request, table);
    if (!send_item(request.action, *row, table, form))
        fail(TARN_ROUTER_RC_NOT_FOUND, item_text(table, key) + " not found");
}

void require_key(const Request &request, const Table &table, std::string_view key)
{
    if (key.empty())
        fail(TARN_ROUTER_RC_BAD_REQUEST,
             std::string(request.word) + " needs a value for the key column " + table.keyColumn().label);
}

void require_new_key(const Request &request, std::string_view newKey)
{
    if (newKey.empty())
        fail(TARN_ROUTER_RC_BAD_REQUEST, std::string(request.word) + " needs the new key in " TARN_ROUTER_COPY_KEY);
}

void require_row(Store &store, const Table &table, std::string_view key)
{
    if (!exists(store, table, key)) fail(TARN_ROUTER_RC_NOT_FOUND, item_text(table, key) + " not found");
}

void require_free_key(Store &store, const Table &table, std::string_view key)
{
    if (exists(store, table, key)) fail(TARN_ROUTER_RC_ALREADY_EXISTS, item_text(table, key) + " already exists");
}

std::string defined_text(const Table &table, std::string_view key, std::string_view model)
{
    return item_text(table, key) + " defined" + (model.empty() ? "" : " like " + std::string(model));
}

// DEFINE (new key = key column, optional model = COPY_KEY) and COPY (new
// key = COPY_KEY, model = key column).
std::string create(const Request &request, Store &store, const Table &table, const WriteFields &fields)
{
    require_key(request, table, fields.key);
    bool copy = request.command == Command::Copy;
    if (copy) require_new_key(request, fields.otherKey);
    std::string_view newKey = copy ? fields.otherKey : fields.key;
    std::string_view model = copy ? fields.key : fields.otherKey;
    if (!model.empty()) require_row(store, table, model);
    if (!request.batch) require_free_key(store, table, newKey);
    insert_row(store, table, newKey, model, fields);
    if (!request.batch) send_written(request, store, table, newKey);
    if (copy) return item_text(table, model) + " copied to " + std::string(newKey);
    return defined_text(table, newKey, model);
}

// ALTER (optional new key) and RENAME (new key required).
std::string change(const Request &request, Store &store, const Table &table, const WriteFields &fields)
{
    require_key(request, table, fields.key);
    bool rename = request.command == Command::Rename;
    if (rename) require_new_key(request, fields.otherKey);
    std::string_view newKey = fields.otherKey;
    require_row(store, table, fields.key);
    bool renamed = !newKey.empty() && newKey != fields.key;
    if (renamed) require_free_key(store, table, newKey);
    bool changed = update_row(store, table, fields.key, newKey, fields);
    if (!request.batch) send_written(request, store, table, newKey.empty() ? fields.key : newKey);
    std::string text = item_text(table, fields.key);
    if (rename) return text + " renamed to " + std::string(newKey);
    if (!changed) return text + " not changed: the request gives no column to alter";
    return text + " altered" + (renamed ? " and renamed to " + std::string(newKey) : "");
}

std::string erase(const Request &request, Store &store, const Table &table, const std::vector<Criterion> &criteria)
{
    refuse_copy_key(request, criteria);
    if (criteria.empty()) fail(TARN_ROUTER_RC_BAD_REQUEST, "DELETE needs at least one criterion");
    Sql sql(store);
    sql << "DELETE FROM " << store.quoted(table.name);
    where_clause(sql, criteria);
    sql << " RETURNING " << store.quoted(table.keyColumn().name);
    std::unique_ptr<Rows> rows = sql.run(store);
    std::size_t count = 0;
    std::string first;
    while (rows->step())
        if (count++ == 0) first = rows->value(0);
    if (count == 0) fail(TARN_ROUTER_RC_NOT_FOUND, not_found(table, criteria));
    return count == 1 ? item_text(table, first) + " deleted" : rows_text(count, "deleted");
}

// ------------------------------------------------------------ many rows

// A DEFINE item checked as create() checks it: its criteria (which own
// the bound values) and its values in the order of the table's columns.
struct NewRow {
    std::vector<Criterion> criteria;
    std::string_view key;
    std::vector<const Criterion *> values;  // per column; nullptr: not given (the column's default)
};

// False when the item cannot join a multi-row insert: not a DEFINE, a
// model to copy, or a value the checks refuse.
bool new_row(const Request &item, const Table &table, NewRow &row)
{
    if (item.command != Command::Define) return false;
    try {
        row.criteria = resolve(item, table);
        type_criteria(item, table, row.criteria);
        const WriteFields fields = write_fields(item, table, row.criteria);
        if (fields.key.empty() || !fields.otherKey.empty()) return false;
        row.key = fields.key;
        for (const Column &column : table.columns) row.values.push_back(change_of(fields, column));
    } catch (const Failure &) {
        return false;
    }
    return true;
}

bool same_columns(const NewRow &a, const NewRow &b)
{
    for (std::size_t i = 0; i < a.values.size(); ++i)
        if ((a.values[i] == nullptr) != (b.values[i] == nullptr)) return false;
    return true;
}

}  // namespace

NewRows define_rows(const std::vector<const Request *> &items, const Table &table)
{
    std::vector<NewRow> rows(items.size());
    for (std::size_t i = 0; i < items.size(); ++i)
        if (!new_row(*items[i], table, rows[i]) || !same_columns(rows[i], rows[0])) return {};
    NewRows out;
    if (rows.empty()) return out;
    const Column &keyColumn = table.keyColumn();
    out.columns.push_back(&keyColumn);
    for (std::size_t c = 0; c < table.columns.size(); ++c)
        if (rows[0].values[c]) out.columns.push_back(&table.columns[c]);
    out.values.reserve(rows.size() * out.columns.size());
    out.messages.reserve(rows.size());
    for (const NewRow &row : rows) {
        out.values.push_back({std::string(row.key), false, &keyColumn});
        for (const Criterion *value : row.values)
            if (value) out.values.push_back(value_param(value->bound, *value->column));
        out.messages.push_back(defined_text(table, row.key, {}));
    }
    return out;
}

namespace {

// The key a DELETE item names as its one criterion (no pattern), or "".
std::string key_named(const Request &item, const Table &table)
{
    if (item.command != Command::Delete) return {};
    std::vector<Criterion> criteria = resolve(item, table);
    type_criteria(item, table, criteria);
    if (criteria.size() != 1) return {};
    const Criterion &c = criteria[0];
    if (c.column != &table.keyColumn() || c.op != Relop::EQ || is_pattern(c)) return {};
    return c.bound;
}

// One DELETE of every key, which must delete exactly the rows of those
// keys as written: a key missing (or written as the node does not keep
// it) leaves the items to be run one by one.
bool delete_together(const std::vector<const Request *> &items, Store &store, const Table &table,
                     std::vector<std::string> &messages)
{
    std::vector<std::string> keys;
    for (const Request *item : items) {
        keys.push_back(key_named(*item, table));
        if (keys.back().empty()) return false;
    }
    Sql sql(store);
    sql << "DELETE FROM " << store.quoted(table.name) << " WHERE ";
    sql.equality_operand(table.keyColumn()) << " IN (";
    for (std::size_t i = 0; i < keys.size(); ++i) (i ? sql << ", " : sql).bind({keys[i], false, &table.keyColumn()});
    sql << ") RETURNING " << store.quoted(table.keyColumn().name);
    std::vector<std::string> deleted;
    for (std::unique_ptr<Rows> rows = sql.run(store); rows->step();) deleted.emplace_back(rows->value(0));
    std::sort(deleted.begin(), deleted.end());
    std::vector<std::string> sorted = keys;
    std::sort(sorted.begin(), sorted.end());
    if (deleted != sorted) return false;
    messages.clear();
    for (const std::string &key : keys) messages.push_back(item_text(table, key) + " deleted");
    return true;
}

}  // namespace

bool run_together(const std::vector<const Request *> &items, Store &store, const Table &table,
                  std::vector<std::string> &messages)
{
    return !items.empty() && items[0]->command == Command::Delete && delete_together(items, store, table, messages);
}

std::string run(const Request &request, Store &store, const Table &table)
{
    std::vector<Criterion> criteria = resolve(request, table);
    type_criteria(request, table, criteria);
    switch (request.command) {
    case Command::Select:
    case Command::List: return select(request, store, table, criteria);
    case Command::Define:
    case Command::Copy: return create(request, store, table, write_fields(request, table, criteria));
    case Command::Alter:
    case Command::Rename: return change(request, store, table, write_fields(request, table, criteria));
    case Command::Delete: return erase(request, store, table, criteria);
    case Command::Logon:
    case Command::Logoff:
    case Command::Verify:
    case Command::Status: break;  // carried out by the back end's session() and status()
    }
    fail(TARN_ROUTER_RC_BAD_REQUEST, "Command " + std::string(request.word) + " is unknown");
}

}  // namespace routecore
