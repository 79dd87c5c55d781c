// String tables: lookups by id and language, lists, and entries loaded
// from string libraries (the sample TarnStrings replaced by a test library
// that echoes its arguments).
#include "tarn_test.hpp"

namespace {

using StringTables = TarnTest;
using StringLibraries = TarnTest;

StringEntry kYesNo[] = {{1, "AMENG", "Yes"},   {1, "FRENCH", "Oui"},  {2, "AMENG", "No"},
                        {3, "ameng", "lower"}, {4, "AMENG", nullptr}, {0, nullptr, nullptr}};

StringTable *table_with(const char *language, StringEntry *entries)
{
    StringTable *table = nullptr;
    EXPECT_EQ(ZeCreateStringTable(&table, language), ZE_OK);
    if (entries) {
        EXPECT_EQ(ZeSetStringTableEntries(table, entries), ZE_OK);
    }
    return table;
}

}  // namespace

TEST_F(StringTables, LookupsMatchIdAndTheTablesLanguageWithCase)
{
    StringTable *ameng = table_with("", kYesNo);  // the empty language is AMENG
    StringTable *french = table_with("FRENCH", kYesNo);
    const char *text = "untouched";
    EXPECT_EQ(ZeGetString(ameng, 1, &text), ZE_OK);
    EXPECT_STREQ(text, "Yes");
    EXPECT_EQ(ZeGetString(french, 1, &text), ZE_OK);
    EXPECT_STREQ(text, "Oui");
    EXPECT_EQ(ZeGetString(french, 2, &text), ZE_RC_NO_ENTRY);
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(ZeGetString(ameng, 3, &text), ZE_RC_NO_ENTRY);  // entry in "ameng"
    EXPECT_EQ(ZeGetString(ameng, 4, &text), ZE_RC_NO_ENTRY);  // entry without text
    EXPECT_EQ(trace(), (Texts{"*** String not found int table: id: 2  Language: FRENCH",
                              "*** String not found int table: id: 3  Language: AMENG",
                              "*** String not found int table: id: 4  Language: AMENG"}));
    StringTable *empty = table_with("AMENG", nullptr);
    EXPECT_EQ(ZeGetString(empty, 1, &text), ZE_RC_NO_ENTRY);
    for (StringTable *t : {ameng, french, empty}) EXPECT_EQ(ZeDestroyStringTable(t), ZE_OK);
}

TEST_F(StringTables, ListsStopAtAZeroKeyTheLimitOrTheFirstMissingText)
{
    StringTable *table = table_with("AMENG", kYesNo);
    int keys[] = {1, 2, 0};
    const char *list[3] = {};
    EXPECT_EQ(ZeGetStringList(table, keys, 3, list), ZE_OK);
    EXPECT_STREQ(list[0], "Yes");
    EXPECT_STREQ(list[1], "No");
    EXPECT_EQ(trace(), (Texts{"ZeGetStringList : Complete, rc = 0, # items returned = 2",
                              "****              Was expecting to return 3 items",
                              "****              Key value of 0 encountered"}));

    clear_trace();
    int missing[] = {1, 5, 2, 0};
    const char *slots[3] = {nullptr, "stale", "untouched"};
    EXPECT_EQ(ZeGetStringList(table, missing, 3, slots), ZE_RC_NO_ENTRY);
    EXPECT_STREQ(slots[0], "Yes");
    EXPECT_EQ(slots[1], nullptr);
    EXPECT_STREQ(slots[2], "untouched");
    EXPECT_EQ(trace(), (Texts{"*** String not found int table: id: 5  Language: AMENG",
                              "ZeGetStringList : Complete, rc = 7, # items returned = 1",
                              "****              Was expecting to return 3 items"}));
    EXPECT_EQ(ZeDestroyStringTable(table), ZE_OK);
}

TEST_F(StringLibraries, LoadingReplacesThePreviousLibraryAndHandsTheArgumentsThrough)
{
    StringTable *table = table_with("AMENG", nullptr);
    EXPECT_EQ(ZeLoadExternalStringEntries(table, nullptr, nullptr, "TarnStrings"), ZE_OK);
    EXPECT_EQ(trace(),
              (Texts{"ZeLoadExternalStringEntries : begin", "ZeLoadExternalStringEntries : Create Table rc = 0"}));

    unsigned int code = 41;
    StringEntry mine[] = {{1, "AMENG", "mine"}, {0, nullptr, nullptr}};
    EXPECT_EQ(ZeLoadExternalStringEntries(table, &code, mine, "EchoStrings"), 41u);
    EXPECT_FALSE(module_loaded(TARN_STRINGS_PATH));
    EXPECT_TRUE(module_loaded(ECHO_STRINGS_PATH));
    const char *text = nullptr;
    EXPECT_EQ(ZeGetString(table, 1, &text), ZE_OK);
    EXPECT_STREQ(text, "mine");

    clear_trace();
    EXPECT_EQ(ZeLoadExternalStringEntries(table, nullptr, nullptr, "NoSuchStringLibrary"), ZE_RC_LOAD_FAILED);
    EXPECT_FALSE(module_loaded(ECHO_STRINGS_PATH));
    EXPECT_EQ(ZeGetString(table, 1, &text), ZE_RC_NO_ENTRY);  // the entries went with their library
    EXPECT_EQ(ZeLoadExternalStringEntries(table, nullptr, nullptr, "kvsenv"), ZE_RC_PROC_NOT_FOUND);
    EXPECT_TRUE(traced("**** ZeLoadExternalStringEntries : Error loading proc address for CreateStringTable"));
    EXPECT_EQ(ZeDestroyStringTable(table), ZE_OK);  // also releases kvsenv, still held by the table
}
