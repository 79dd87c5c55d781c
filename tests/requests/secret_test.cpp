// Values of PASSWORD fields stay out of the trace: the request echo shows
// "********", while the router still gets the value.
#include "router_fixture.hpp"

namespace {

constexpr const char *kSecret = "Hunter2x";

class SecretTest : public RouterTest {
protected:
    void SetUp() override
    {
        RouterTest::SetUp();
        const auto end = static_cast<char *>(nullptr);
        const char *allowed[] = {kSecret, "s3cr3t", "Sesame", nullptr};
        ASSERT_EQ(ZeCreateField(descriptor, "KEYWORD", "TYPE", "TEXT", "MAX LENGTH", "8", "MIN LENGTH", "6",
                                "UPPERCASE", 1, "PASSWORD", 1, end),
                  0u);
        ASSERT_EQ(ZeCreateField(descriptor, "PIN", "TYPE", "INT", "MAX LENGTH", "4", "PASSWORD", 1, end), 0u);
        const char *stored[] = {"1", "2", "3", nullptr};
        ASSERT_EQ(ZeCreateField(descriptor, "PHRASE", "MAX LENGTH", "8", "PASSWORD", 1, "VALID VALUES", allowed, -1,
                                "REAL VALUES", stored, -1, "REAL NAME", "OBJ_PHRASE", end),
                  0u);
        clear_trace();
    }

    // No traced line holds any of the texts; at least one shows the mask.
    void expect_masked(std::initializer_list<const char *> secrets)
    {
        bool masked = false;
        for (const std::string &line : trace()) {
            for (const char *s : secrets) EXPECT_EQ(line.find(s), std::string::npos) << line;
            masked = masked || line.find("********") != std::string::npos;
        }
        EXPECT_TRUE(masked) << trace_text();
    }
};

TEST_F(SecretTest, RequestEchoMasksTheValueTheRouterReceives)
{
    answer(0, "altered");
    Filter *f = nullptr;
    ASSERT_EQ(ZeCreateFilter(&f), 0u);
    ZeAddFilterItem(f, "NAME", "EQ", "q1");
    ZeAddFilterItem(f, "PHRASE", "EQ", "s3cr3t");
    ZeAddFilterItem(f, "PHRASE", "NE", "opensay");  // not on the values list: goes out as given
    ZeAddFilterItem(f, "KEYWORD", "EQ", kSecret);
    EXPECT_EQ(ZeActUponDtsItem("ALTER", descriptor, info, f, nullptr, result), ZE_OK);
    ZeDestroyFilter(f);
    ASSERT_EQ(requests(), 1);
    EXPECT_EQ(sent_fields(0), (std::vector<std::string>{"OBJ_NAME EQ q1", "OBJ_PHRASE EQ 2", "OBJ_PHRASE NE opensay",
                                                        std::string("KEYWORD EQ ") + kSecret}));
    expect_masked({"s3cr3t", "opensay", kSecret});
    EXPECT_TRUE(traced("   KEYWORD             EQ    \"********\"")) << trace_text();
}

}  // namespace
