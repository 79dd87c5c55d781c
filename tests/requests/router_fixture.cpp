// The request operation fixture: info, result, descriptor, test router and
// a private temporary directory.
#include "router_fixture.hpp"

std::vector<std::vector<std::string>> rows_of(Collection *collection)
{
    std::vector<std::vector<std::string>> rows;
    for (Item *item = ZeFirstCollectionItem(collection); item; item = ZeNextCollectionItem(collection))
        rows.push_back(values_of(item));
    return rows;
}

Descriptor *make_object_descriptor()
{
    const char *types[] = {"Queue", "Topic"};
    const char *codes[] = {"Q", "T"};
    Descriptor *d = nullptr;
    if (ZeCreateDescriptor(&d)) return nullptr;
    unsigned rc = ZeCreateField(d, "NAME", "KEY", 1, "REAL NAME", "OBJ_NAME", "COPY TO", "NEWNAME", (char *)0);
    if (!rc) rc = ZeCreateField(d, "NEWNAME", "PSEUDO", 1, "DEF VALUE", "none", (char *)0);
    if (!rc)
        rc = ZeCreateField(d, "TYPE", "VALID VALUES", types, 2, "REAL VALUES", codes, 2, "DEF VALUE", "Queue",
                           (char *)0);
    if (!rc) rc = ZeCreateField(d, "ENABLED", "TYPE", "BOOL", (char *)0);
    if (!rc) rc = ZeCreateField(d, "OWNER", "DEF VALUE", "admin", (char *)0);
    if (!rc) rc = ZeBuildDescriptorHeader(d);
    if (rc) {
        ZeDestroyDescriptor(d);
        return nullptr;
    }
    return d;
}

void RouterTest::SetUp()
{
    TarnTest::SetUp();
    char pattern[] = "/tmp/tarn-requests-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    tempDir = pattern;
    setenv("TMPDIR", tempDir.c_str(), 1);

    TarnProc proc = nullptr;
    ASSERT_EQ(ZeLoadRoutine("TarnTestRouter", "test_router_api", &proc), 0u);
    router = reinterpret_cast<TestRouterApiProc>(proc)();
    router->reset();

    ASSERT_EQ(ZeCreateDtsInfo(&info), 0u);
    ZeSetDtsInfoField(info, ZE_INFO_USERNAME, "tester");
    ZeSetDtsInfoField(info, ZE_INFO_DESTNODE, "NODE1");
    ZeSetDtsInfoField(info, ZE_INFO_ROUTEMODULE, "TarnTestRouter");
    ASSERT_EQ(ZeCreateDtsResult(&result), 0u);

    descriptor = make_object_descriptor();
    ASSERT_NE(descriptor, nullptr);
    ZeEnv(ZE_ENV_TARN_DATA_DIR);  // the environment fills (and traces) once, before any test's own lines
    clear_trace();
}

void RouterTest::TearDown()
{
    if (descriptor) ZeDestroyDescriptor(descriptor);
    if (result) ZeDestroyDtsResult(result);
    if (info) ZeDestroyDtsInfo(info);
    if (router) router->reset();
    EXPECT_EQ(temporary_files(), std::vector<std::string>{}) << "a request left a file behind";
    std::error_code ec;
    std::filesystem::remove_all(tempDir, ec);
    unsetenv("TMPDIR");
    TarnTest::TearDown();
}

const TestRouterRequest &RouterTest::request(int i) const
{
    static const TestRouterRequest none{};
    const TestRouterRequest *r = router->request(i);
    EXPECT_NE(r, nullptr) << "no request " << i;
    return r ? *r : none;
}

std::vector<std::string> RouterTest::sent_fields(int i) const
{
    const TestRouterRequest &r = request(i);
    std::vector<std::string> fields;
    for (int k = 0; k < r.fieldCount; ++k)
        fields.push_back(std::string(r.columns[k]) + " " + r.relops[k] + " " + r.values[k]);
    return fields;
}

void RouterTest::answer(unsigned code, const char *message, std::vector<const char *> columns,
                        std::vector<std::vector<const char *>> rows) const
{
    router->answer(code, message);
    if (!columns.empty()) router->columns(columns.data(), static_cast<int>(columns.size()));
    for (auto &row : rows) router->row(row.data(), static_cast<int>(row.size()));
}

unsigned RouterTest::result_code() const
{
    unsigned code = 0;
    const char *message = nullptr;
    ZeGetDtsResultFields(result, &code, &message);
    return code;
}

std::string RouterTest::result_message() const
{
    unsigned code = 0;
    const char *message = nullptr;
    ZeGetDtsResultFields(result, &code, &message);
    return message;
}

std::vector<std::string> RouterTest::temporary_files() const
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto &entry : std::filesystem::directory_iterator(tempDir, ec)) names.push_back(entry.path().string());
    return names;
}
