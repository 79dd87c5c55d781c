// Fixture of the router tests: each test works on its own copy of the demo
// node (named after the test) through the library's item operations, with
// a PRINTER descriptor whose field names and display values differ from the
// table's, and reads the database back directly. With DEMO_ROUTER on, the
// node is a copy of the SQLite file DEMO.db for TarnRpdb; without it, a
// PostgreSQL database copied from the test cluster's node DEMO2 (which no
// test uses) for TarnRout, with its entry in the node map
// <TARN_DATA_DIR>/nodes.conf. TARN_TEST_PG names the cluster's folder
// (scripts/pgnodes.sh).
#pragma once

#include "tarn_test.hpp"

#include "TarnRpdb.h"
#include "pg_rows.hpp"
#include "sqlite_rows.hpp"

#include <sqlite3.h>

#include <fstream>
#include <utility>

// An item or list operation: ZeDefineDtsItem, ZeGetDtsList, ...
using ItemOp = unsigned (*)(Descriptor *, DtsInfo *, Filter *, Item *, DtsResult *);
// The router's code and message of a request.
using Outcome = std::pair<unsigned, std::string>;

class Rpdb : public TarnTest {
protected:
    void SetUp() override
    {
        TarnTest::SetUp();
        node_ = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        if (postgres()) {
            make_pg_node();
        } else if (const char *dataDir = ZeEnv(ZE_ENV_TARN_DATA_DIR)) {
            std::filesystem::path nodes = std::filesystem::path(dataDir) / "nodes";
            std::filesystem::create_directories(nodes);
            nodePath_ = (nodes / (node_ + ".db")).string();
            std::filesystem::copy_file(RPDB_DEMO_NODE, nodePath_, std::filesystem::copy_options::overwrite_existing);
        }
        desc_ = printer_descriptor();
        info_ = printer_info();
        ZeCreateDtsResult(&result_);
        ZeCreateItem(&item_);
        ZeCreateCollection(&rows_);
    }

    void TearDown() override
    {
        ZeDestroyCollection(rows_);
        ZeDestroyItem(item_);
        ZeDestroyDtsResult(result_);
        ZeDestroyDtsInfo(info_);
        ZeDestroyDescriptor(desc_);
        TarnTest::TearDown();
    }

    static bool postgres() { return !ZeEnvBool(ZE_ENV_DEMO_ROUTER); }

    // ------------------------------------------------------------ PostgreSQL

    static std::string pg_dir()
    {
        const char *dir = std::getenv("TARN_TEST_PG");
        return dir ? dir : "";
    }
    // The cluster's socket folder, its link resolved: socket paths are short.
    static std::string pg_socket()
    {
        std::error_code ignored;
        return std::filesystem::canonical(pg_dir() + "/socket", ignored).string();
    }
    static std::string pg_conninfo(const std::string &database, const std::string &user = "tarn_admin")
    {
        return "host=" + pg_socket() + " dbname=" + database + " user=" + user;
    }
    // The node map entry of a node on the test cluster: on its socket, or
    // through its PgBouncer of the pooling mode TARN_TEST_POOLER names
    // (transaction, session; scripts/pgnodes.sh bouncers).
    static std::string map_entry(const std::string &node, const std::string &database,
                                 const std::string &user = "tarn_admin")
    {
        const std::string names = "\ndbname=" + database + "\nuser=" + user + "\n";
        const char *pooler = std::getenv("TARN_TEST_POOLER");
        if (!pooler || !*pooler) return "[" + node + "]\nhost=" + pg_socket() + names;
        std::string port;
        std::getline(std::ifstream(pg_dir() + "/bouncer-" + pooler + ".port"), port);
        return "[" + node + "]\nhost=127.0.0.1\nport=" + port + "\ntarn_pool_mode=" + pooler + names;
    }
    // Writes the node map: this test's node, then `more` entries.
    void write_map(const std::string &more = "") const
    {
        std::ofstream(std::filesystem::path(ZeEnv(ZE_ENV_TARN_DATA_DIR)) / "nodes.conf")
            << "# node map of " << node_ << "\n"
            << map_entry(node_, node_) << more;
    }
    // A statement run by the administrator on the cluster (or a node).
    static std::string pg_admin(const std::string &statement, const std::string &database = "postgres")
    {
        return pg_rows(pg_conninfo(database), statement);
    }
    void make_pg_node()
    {
        std::filesystem::create_directories(ZeEnv(ZE_ENV_TARN_DATA_DIR));
        ASSERT_EQ(pg_admin("DROP DATABASE IF EXISTS \"" + node_ + "\" WITH (FORCE)"), "");
        ASSERT_EQ(pg_admin("CREATE DATABASE \"" + node_ + "\" TEMPLATE \"DEMO2\""), "");
        write_map();
    }

    // PRINTER as an object library shows it: other field names, display
    // values for the status and the shared flag, COPY_KEY as the pseudo field.
    static Descriptor *printer_descriptor()
    {
        static const char *valid[] = {"Ready", "Offline", "Maintenance"}, *real[] = {"R", "O", "M"};
        Descriptor *d = nullptr;
        ZeCreateDescriptor(&d);
        ZeCreateField(d, "NAME", "REAL NAME", "PRN_NAME", "KEY", 1, "COPY TO", "NEW NAME", (char *)0);
        ZeCreateField(d, "STATUS", "REAL NAME", "PRN_STATUS", "VALID VALUES", valid, 3, "REAL VALUES", real, 3,
                      (char *)0);
        ZeCreateField(d, "SHARED", "TYPE", "BOOL", "REAL NAME", "PRN_SHARED", (char *)0);
        ZeCreateField(d, "COPIES", "TYPE", "INT", "REAL NAME", "prn_copies", (char *)0);
        ZeCreateField(d, "LOCATION", "REAL NAME", "PRN_LOCATION", (char *)0);
        ZeCreateField(d, "DESCRIPTION", "REAL NAME", "PRN_DESC", (char *)0);
        ZeCreateField(d, "NEW NAME", "PSEUDO", 1, "REAL NAME", "COPY_KEY", (char *)0);
        ZeBuildDescriptorHeader(d);
        return d;
    }

    // A request info for PRINTER on this test's node, for user tester.
    DtsInfo *printer_info() const
    {
        DtsInfo *info = nullptr;
        ZeCreateDtsInfo(&info);
        ZeSetDtsInfoField(info, ZE_INFO_OBJECT, "PRINTER");
        ZeSetDtsInfoField(info, ZE_INFO_USERNAME, "tester");
        ZeSetDtsInfoField(info, ZE_INFO_DESTNODE, node_.c_str());
        ZeSetDtsInfoField(info, ZE_INFO_DATEFORMAT, "mm/dd/yyyy");
        return info;
    }

    // An item or list operation into item_ (through another descriptor
    // when one is given), a command with an item or without, or a select
    // into rows_: the library's code.
    unsigned act(ItemOp op, Criteria criteria, Descriptor *desc = nullptr)
    {
        return op(desc ? desc : desc_, info_, filter(criteria).get(), item_, result_);
    }
    unsigned act(const char *command, Criteria criteria, Item *item = nullptr)
    {
        return ZeActUponDtsItem(command, desc_, info_, filter(criteria).get(), item, result_);
    }
    unsigned open_rows(Criteria criteria)
    {
        return ZeOpenDtsCollection(desc_, info_, filter(criteria).get(), rows_, result_);
    }

    Outcome outcome() const
    {
        unsigned c = 0;
        const char *m = nullptr;
        ZeGetDtsResultFields(result_, &c, &m);
        return {c, m};
    }
    std::string message() const { return outcome().second; }

    // An item's values joined with '|'.
    static std::string values(Item *item)
    {
        std::string text;
        for (unsigned i = 0; i < ZeItemCount(item); ++i) {
            const char *v = ZeItemValue(item, static_cast<int>(i));
            text += (i ? "|" : "") + std::string(v ? v : "<null>");
        }
        return text;
    }

    // The collection's key values joined with ' '.
    std::string keys() const
    {
        std::string text;
        for (Item *i = ZeFirstCollectionItem(rows_); i; i = ZeNextCollectionItem(rows_))
            text += (text.empty() ? "" : " ") + std::string(ZeItemValue(i, 0));
        return text;
    }

    // Rows of a query on the node (sqlite_rows, pg_rows); SQLite opens it writable.
    std::string sql(const std::string &query) const
    {
        return postgres() ? pg_admin(query, node_) : sqlite_rows(nodePath_, query, true);
    }

    std::string node_, nodePath_;
    Descriptor *desc_ = nullptr;
    DtsInfo *info_ = nullptr;
    DtsResult *result_ = nullptr;
    Item *item_ = nullptr;
    Collection *rows_ = nullptr;
};
