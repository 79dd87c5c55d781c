// String tables: creation, lookups by id and language, lists, the dump, and
// entries loaded from string libraries (the sample TarnStrings and a test
// library that echoes its arguments).
#include "tarn_test.hpp"

#include <dlfcn.h>

#include <string>

namespace {

using StringTables = TarnTest;
using StringLibraries = TarnTest;
using Lines = std::vector<std::string>;

bool module_loaded(const char *path)
{
    void *module = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
    if (module) dlclose(module);
    return module != nullptr;
}

StringEntry kYesNo[] = {{1, "AMENG", "Yes"}, {1, "FRENCH", "Oui"}, {2, "AMENG", "No"},
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

TEST_F(StringTables, CreationChecksItsParametersAndSurvivesEveryAllocationFailure)
{
    StringTable *table = reinterpret_cast<StringTable *>(1);
    EXPECT_EQ(ZeCreateStringTable(&table, nullptr), ZE_RC_INVALID_PARAMETER);
    EXPECT_EQ(table, nullptr);
    EXPECT_EQ(ZeCreateStringTable(nullptr, "AMENG"), ZE_RC_INVALID_PARAMETER);
    EXPECT_EQ(trace(), (Lines{"*** ZeCreateStringTable: parameter 2 (Language) is invalid",
                              "*** ZeCreateStringTable: parameter 1 (pTable) is invalid"}));

    each_alloc_failure([](long failAt) {
        StringTable *t = reinterpret_cast<StringTable *>(1);
        unsigned rc = ZeCreateStringTable(&t, "FRENCH");
        if (failAt < 0) {
            ASSERT_EQ(rc, ZE_OK);
        }
        if (rc != ZE_OK) {
            EXPECT_EQ(rc, ZE_RC_NO_MEMORY);
            EXPECT_EQ(t, nullptr);
            return;
        }
        EXPECT_EQ(ZeSetStringTableEntries(t, kYesNo), ZE_OK);
        EXPECT_EQ(ZeDestroyStringTable(t), ZE_OK);
    });
}

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
    EXPECT_EQ(ZeGetString(ameng, 0, &text), ZE_RC_NO_ENTRY);
    EXPECT_EQ(ZeGetString(ameng, -1, nullptr), ZE_RC_NO_ENTRY);
    text = "untouched";
    EXPECT_EQ(ZeGetString(nullptr, 1, &text), ZE_RC_NO_ENTRY);
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(trace(), (Lines{"*** String not found int table: id: 2  Language: FRENCH",
                              "*** String not found int table: id: 3  Language: AMENG",
                              "*** String not found int table: id: 4  Language: AMENG",
                              "*** ZeGetString: parameter 2 (Key) is invalid",
                              "*** String not found int table: id: 0  Language: AMENG",
                              "*** ZeGetString: parameter 2 (Key) is invalid",
                              "*** String not found int table: id: -1  Language: AMENG",
                              "*** Invalid ZE String Table Object encountered",
                              "*** ZeGetString: parameter 1 (Table) is invalid"}));
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
    EXPECT_EQ(trace(), (Lines{"ZeGetStringList : Complete, rc = 0, # items returned = 2",
                              "****              Was expecting to return 3 items",
                              "****              Key value of 0 encountered"}));

    clear_trace();
    int missing[] = {1, 5, 2, 0};
    const char *slots[3] = {nullptr, "stale", "untouched"};
    EXPECT_EQ(ZeGetStringList(table, missing, 3, slots), ZE_RC_NO_ENTRY);
    EXPECT_STREQ(slots[0], "Yes");
    EXPECT_EQ(slots[1], nullptr);
    EXPECT_STREQ(slots[2], "untouched");
    EXPECT_EQ(trace(), (Lines{"*** String not found int table: id: 5  Language: AMENG",
                              "ZeGetStringList : Complete, rc = 7, # items returned = 1",
                              "****              Was expecting to return 3 items"}));

    clear_trace();
    int exact[2] = {2, 1};  // no terminating 0: Count bounds the walk
    EXPECT_EQ(ZeGetStringList(table, exact, 2, list), ZE_OK);
    EXPECT_EQ(ZeGetStringList(table, keys, -1, list), ZE_OK);
    EXPECT_EQ(trace(), (Lines{"ZeGetStringList : Complete, rc = 0, # items returned = 2",
                              "ZeGetStringList : Complete, rc = 0, # items returned = 2"}));
    EXPECT_EQ(ZeGetStringList(table, keys, 0, list), ZE_RC_INVALID_PARAMETER);
    EXPECT_EQ(ZeGetStringList(table, nullptr, 3, list), ZE_RC_INVALID_PARAMETER);
    EXPECT_EQ(ZeDestroyStringTable(table), ZE_OK);
}

TEST_F(StringTables, TheDumpShowsEachEntryWithTheTablesLanguage)
{
    StringEntry entries[3];
    ZeInitStringEntry(&entries[0], 7, "FRENCH", "Sept");
    ZeInitStringEntry(&entries[1], 8, "GERMAN", "Acht");
    ZeInitStringEntry(&entries[2], 0, nullptr, nullptr);
    StringTable *table = table_with("FRENCH", nullptr);
    ZeDumpStringTable(table, "> ");
    ZeSetStringTableEntries(table, entries);
    ZeDumpStringTable(table, nullptr);
    EXPECT_EQ(trace(), (Lines{"> String Table: language: FRENCH", "String Table: language: FRENCH",
                              "   ID: 7  Language: FRENCH  String: Sept", "   ID: 8  Language: FRENCH  String: Acht"}));
    EXPECT_EQ(ZeDestroyStringTable(table), ZE_OK);
}

TEST_F(StringLibraries, TheSampleLibraryInstallsTextsInTwoLanguages)
{
    StringTable *french = table_with("FRENCH", nullptr);
    StringTable *ameng = table_with("AMENG", nullptr);
    EXPECT_EQ(ZeLoadExternalStringEntries(french, nullptr, nullptr, "TarnStrings"), ZE_OK);
    EXPECT_EQ(ZeLoadExternalStringEntries(ameng, nullptr, nullptr, "TarnStrings"), ZE_OK);
    EXPECT_EQ(count_traced("ZeLoadExternalStringEntries : Create Table rc = 0"), 2u);
    int keys[] = {ZE_STR_YES, ZE_STR_OWNER, ZE_STR_INVALID_DATE, 0};
    const char *fr[3], *en[3];
    EXPECT_EQ(ZeGetStringList(french, keys, -1, fr), ZE_OK);
    EXPECT_EQ(ZeGetStringList(ameng, keys, -1, en), ZE_OK);
    EXPECT_EQ((Lines{fr[0], fr[1], fr[2], en[0], en[1], en[2]}),
              (Lines{"Oui", "Propriétaire", "Date non valide", "Yes", "Owner", "Invalid date"}));
    EXPECT_EQ(ZeDestroyStringTable(french), ZE_OK);
    EXPECT_TRUE(module_loaded(TARN_STRINGS_PATH));  // still held by the other table
    EXPECT_EQ(ZeDestroyStringTable(ameng), ZE_OK);
    EXPECT_FALSE(module_loaded(TARN_STRINGS_PATH));
}

TEST_F(StringLibraries, LoadingReplacesThePreviousLibraryAndHandsTheArgumentsThrough)
{
    StringTable *table = table_with("AMENG", nullptr);
    EXPECT_EQ(ZeLoadExternalStringEntries(table, nullptr, nullptr, "TarnStrings"), ZE_OK);
    EXPECT_EQ(trace(), (Lines{"ZeLoadExternalStringEntries : begin", "ZeLoadExternalStringEntries : Create Table rc = 0"}));

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
    EXPECT_EQ(ZeLoadExternalStringEntries(table, nullptr, nullptr, ""), ZE_RC_INVALID_PARAMETER);
    EXPECT_EQ(ZeLoadExternalStringEntries(nullptr, nullptr, nullptr, "TarnStrings"), ZE_RC_INVALID_PARAMETER);
    EXPECT_EQ(trace(), (Lines{"ZeLoadExternalStringEntries : begin",
                              "**** ZeLoadExternalStringEntries : Error loading module, name = NoSuchStringLibrary",
                              "*** String not found int table: id: 1  Language: AMENG",
                              "ZeLoadExternalStringEntries : begin",
                              "**** ZeLoadExternalStringEntries : Error loading proc address for CreateStringTable",
                              "*** ZeLoadExternalStringEntries: parameter 1 (Dllname) is invalid",
                              "*** Invalid ZE String Table Object encountered"}));
    EXPECT_EQ(ZeDestroyStringTable(table), ZE_OK);  // also releases kvsenv, still held by the table
}
