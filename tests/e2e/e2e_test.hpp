// Fixture of the end-to-end tests: objects created by name from the demo
// registry, through the sample object library TarnObjs, talking to the demo
// router on a copy of the demo data; the nodes are read back with plain
// SQLite. The data directory is copied afresh once per process, before any
// node is opened; a test that writes gets a node of its own (a copy of
// DEMO).
#pragma once

#include "sqlite_rows.hpp"
#include "tarn_test.hpp"

class E2e : public TarnTest {
protected:
    static void SetUpTestSuite()
    {
        namespace fs = std::filesystem;
        fs::path data = ZeEnv(ZE_ENV_TARN_DATA_DIR);
        fs::remove_all(data);
        fs::copy(E2E_DEMO_DATA, data, fs::copy_options::recursive);
    }

    void TearDown() override
    {
        if (object_) ZeDestroyObject(object_);
        TarnTest::TearDown();
    }

    // A copy of node DEMO under the name `node`, for one test alone.
    static std::string own_node(const std::string &node)
    {
        std::filesystem::path nodes = std::filesystem::path(ZeEnv(ZE_ENV_TARN_DATA_DIR)) / "nodes";
        std::filesystem::copy_file(nodes / "DEMO.db", nodes / (node + ".db"),
                                   std::filesystem::copy_options::overwrite_existing);
        return node;
    }

    // Creates object_ by name with the creation criteria; its code.
    unsigned create(const char *name, Criteria criteria)
    {
        return ZeCreateObject(&object_, name, filter(criteria).get());
    }

    // OPEN COLLECTION, then every GET ITEM: rows joined with ';'.
    std::string rows(Criteria criteria)
    {
        unsigned rc = ZeSubmitAction(object_, "OPEN COLLECTION", filter(criteria).get());
        if (rc != ZE_OK) return "code " + std::to_string(rc) + ": " + last_message();
        std::string text;
        char **values = nullptr;
        while (ZeSubmitAction(object_, "GET ITEM", &values) == ZE_OK)
            text += (text.empty() ? "" : ";") + joined(values);
        return text;
    }

    std::string field_order()
    {
        char **fields = nullptr;
        int count = 0;
        ZeQueryProperty(object_, "FIELD ORDER", &fields, &count);
        return join(texts(fields, count));
    }

    std::string last_message()
    {
        const char *message = nullptr;
        ZeQueryProperty(object_, "LAST MESSAGE", &message);
        return message ? message : "<null>";
    }

    std::string attribute(const char *field, const char *keyword)
    {
        const char *text = nullptr;
        ZeQueryProperty(object_, "ATTRIBUTE", field, keyword, &text);
        return text ? text : "<null>";
    }

    static std::string node_file(const std::string &node)
    {
        return std::string(ZeEnv(ZE_ENV_TARN_DATA_DIR)) + "/nodes/" + node + ".db";
    }
    // Rows of a query on a node's file (sqlite_rows).
    static std::string sql(const std::string &node, const std::string &query)
    {
        return sqlite_rows(node_file(node), query);
    }

    void *object_ = nullptr;

private:
    // A NULL-terminated value array joined with '|'; "<null>" for no array.
    static std::string joined(char **values)
    {
        return values ? join(texts(values, ZeCountPtrArrayElements(values))) : "<null>";
    }
};
