// The date service on its own: vrndate's operations on the handle and the
// blocks, the format the handle keeps, and refusals that stay inside the blocks.
#include "contract/date_service.hpp"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

namespace ds = date_service;

class Vrndate : public ::testing::Test {
protected:
    void SetUp() override
    {
        module_ = dlopen(KVSCOMN_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module_, nullptr) << dlerror();
        entry_ = reinterpret_cast<ds::Entry>(dlsym(module_, "vrndate"));
        ASSERT_NE(entry_, nullptr);
        ds::set_format_buffer(parameters_, format_);
    }
    void TearDown() override
    {
        if (module_) dlclose(module_);
    }

    std::uint32_t call(std::uint32_t operation) { return entry_(handle_, &status_, operation, &parameters_); }
    std::string message() const { return std::string(status_.message, strnlen(status_.message, sizeof status_.message)); }
    void set_format(const char *text) { std::snprintf(format_, sizeof format_, "%s", text); }
    void set_date(const char *text) { std::snprintf(parameters_.date, sizeof parameters_.date, "%s", text); }

    void *module_ = nullptr;
    ds::Entry entry_ = nullptr;
    unsigned char handle_[ds::kHandleSize] = {};
    ds::StatusBlock status_{};
    ds::ParameterBlock parameters_{};
    char format_[ds::kFormatBufferSize] = {};
};

}  // namespace

TEST_F(Vrndate, OperationsNeedAnOpenHandleAndTheirBlocks)
{
    EXPECT_EQ(call(ds::kSetFormat), ds::kNoHandle);
    EXPECT_EQ(message(), "KVS-E-NOTOPEN, the date service is not open");
    EXPECT_EQ(entry_(nullptr, &status_, ds::kOpen, &parameters_), ds::kNoHandle);
    EXPECT_EQ(call(7), ds::kBadOperation);
    EXPECT_EQ(message(), "KVS-E-BADOPER, unknown operation 7");
    EXPECT_EQ(entry_(handle_, nullptr, ds::kOpen, &parameters_), ds::kNoBlock);

    ASSERT_EQ(call(ds::kOpen), ds::kSuccess);
    EXPECT_EQ(entry_(handle_, &status_, ds::kValidate, nullptr), ds::kNoBlock);
    EXPECT_EQ(call(ds::kClose), ds::kSuccess);
    set_date("12/31/1999");
    EXPECT_EQ(call(ds::kValidate), ds::kNoHandle);  // closed again
}

TEST_F(Vrndate, TheHandleKeepsTheLastAcceptedFormat)
{
    ASSERT_EQ(call(ds::kOpen), ds::kSuccess);
    set_date("12/31/1999");
    EXPECT_EQ(call(ds::kValidate), ds::kSuccess);  // mm/dd/yyyy until a format is set
    set_format("dd.mm.yyyy");
    EXPECT_EQ(call(ds::kSetFormat), ds::kSuccess);
    set_format("dd.qq.yyyy");
    EXPECT_EQ(call(ds::kSetFormat), ds::kBadFormat);
    set_date("31.12.1999");
    EXPECT_EQ(call(ds::kValidate), ds::kSuccess);
    set_date("12/31/1999");
    EXPECT_EQ(call(ds::kValidate), ds::kBadDate);
    EXPECT_EQ(message(), "KVS-E-BADDATE, \".\" expected at position 3 of the date");
    ds::set_format_buffer(parameters_, nullptr);
    EXPECT_EQ(call(ds::kSetFormat), ds::kBadFormat);
    EXPECT_EQ(message(), "KVS-E-NOFORMAT, no date format buffer");
}

TEST_F(Vrndate, TextsWithoutATerminatorInTheirPlaceAreRefused)
{
    ASSERT_EQ(call(ds::kOpen), ds::kSuccess);
    auto format = std::make_unique<char[]>(ds::kFormatBufferSize);  // exactly the buffer, no terminator
    std::memset(format.get(), 'd', ds::kFormatBufferSize);
    ds::set_format_buffer(parameters_, format.get());
    EXPECT_EQ(call(ds::kSetFormat), ds::kBadFormat);
    EXPECT_EQ(message(), "KVS-E-FMTLONG, date format longer than 31 characters");

    std::memset(parameters_.date, '1', sizeof parameters_.date);
    EXPECT_EQ(call(ds::kValidate), ds::kBadDate);
    EXPECT_EQ(message(), "KVS-E-DATELONG, date longer than 127 characters");
}
