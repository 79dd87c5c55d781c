// Fixture of the request operation tests: a request info routed to the test
// router module, a result, and a descriptor of queue-like objects; each test
// gets an empty temporary directory as TMPDIR and must leave it empty.
#pragma once

#include "tarn_test.hpp"
#include "test_router.h"

// A library object that is destroyed with its scope.
template <class T, unsigned int (*Destroy)(T *)> struct Owned {
    T *p = nullptr;
    Owned() = default;
    Owned(const Owned &) = delete;
    ~Owned()
    {
        if (p) Destroy(p);
    }
    operator T *() const { return p; }
};

struct OwnedFilter : Owned<Filter, ZeDestroyFilter> {
    OwnedFilter() { EXPECT_EQ(ZeCreateFilter(&p), 0u); }
    // Criteria text, e.g. "NAME EQ A, TYPE EQ Queue".
    explicit OwnedFilter(const char *criteria) : OwnedFilter()
    {
        EXPECT_EQ(ZeSetFilter(p, ZE_FILTER_TEXT, criteria), 0u);
    }
};
struct OwnedItem : Owned<Item, ZeDestroyItem> {
    OwnedItem() { EXPECT_EQ(ZeCreateItem(&p), 0u); }
};
struct OwnedCollection : Owned<Collection, ZeDestroyCollection> {
    OwnedCollection() { EXPECT_EQ(ZeCreateCollection(&p), 0u); }
};
struct OwnedAction : Owned<DtsAction, ZeDestroyDtsAction> {
    OwnedAction() { EXPECT_EQ(ZeCreateDtsAction(&p), 0u); }
};

// Every item of a collection, from the first.
std::vector<std::vector<std::string>> rows_of(Collection *collection);

// Fields, in this order: NAME (key, REAL NAME OBJ_NAME, COPY TO NEWNAME),
// NEWNAME (pseudo, default "none"), TYPE (Queue/Topic as Q/T, default
// Queue), ENABLED (BOOL, Y/N), OWNER (default "admin"); NULL when memory is short.
Descriptor *make_object_descriptor();

class RouterTest : public TarnTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // The request fields the router received with request i, as "COLUMN RELOP VALUE".
    std::vector<std::string> sent_fields(int i) const;
    const TestRouterRequest &request(int i) const;
    int requests() const { return router->request_count(); }
    // Scripts an answer with columns and rows.
    void answer(unsigned code, const char *message, std::vector<const char *> columns = {},
                std::vector<std::vector<const char *>> rows = {}) const;
    unsigned result_code() const;
    std::string result_message() const;
    // Files left in the temporary directory.
    std::vector<std::string> temporary_files() const;

    Descriptor *descriptor = nullptr;  // make_object_descriptor()
    DtsInfo *info = nullptr;           // USERNAME, DESTNODE, ROUTEMODULE TarnTestRouter
    DtsResult *result = nullptr;
    const TestRouterApi *router = nullptr;
    std::string tempDir;
};
