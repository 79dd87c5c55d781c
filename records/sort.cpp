// Sorting a collection into parent-before-children order. Records are only
// ever moved from the scan entry forward into the sorted front of the list,
// so the sort relies on the order the records come in (see ZeRecords.h).
// The depth-first walk keeps its own stack: any depth of nesting is fine.
#include "ZeRecords.h"

#include "foundation/frame.hpp"
#include "records/records.hpp"

#include <vector>

namespace {

class ParentSort {
public:
    ParentSort(TarnList *list, int keyField, int parentField)
        : list_(list), keyField_(keyField), parentField_(parentField)
    {}

    // Sorts the subtree of root, taking records from scan on; returns the
    // first record that could not be placed (NULL when all were).
    TarnListPos sort_tree(TarnListPos root, TarnListPos scan);
    bool move_failed() const { return moveFailed_; }

private:
    struct Frame {
        TarnListPos parent;
        TarnListPos child;  // the child being visited
        TarnListPos nextSibling;
        TarnListPos firstBranch;  // first child that has children of its own
        unsigned children;
    };

    bool child_of_parent(TarnListPos parent, TarnListPos child) const;
    TarnListPos gather_children(TarnListPos parent, TarnListPos scan);
    TarnListPos move(TarnListPos node, TarnListPos anchor, int after);

    TarnList *list_;
    int keyField_;
    int parentField_;
    bool moveFailed_ = false;
};

bool ParentSort::child_of_parent(TarnListPos parent, TarnListPos child) const
{
    if (!parent || !child) return false;
    void *p = nullptr;
    void *c = nullptr;
    TarnListGet(parent, &p);
    TarnListGet(child, &c);
    if (!p || !c) {
        TarnTrace("*** child_of_parent: bad item in list");
        return false;
    }
    const char *key = ZeItemValue(static_cast<Item *>(p), keyField_);
    const char *parentName = ZeItemValue(static_cast<Item *>(c), parentField_);
    if (!key || !parentName) {
        TarnTrace("*** child_of_parent: bad parent name");
        return false;
    }
    return TarnCompareNoCaseStr(key, parentName) == 0;
}

// Moves node's item next to anchor; the new position, or NULL (node left
// where it was) when memory is short. Inserting before removing means a
// failure never loses the item.
TarnListPos ParentSort::move(TarnListPos node, TarnListPos anchor, int after)
{
    void *entry = nullptr;
    TarnListGet(node, &entry);
    TarnListPos moved = TarnListInsertEntry(list_, entry, after, anchor, 0, 0);
    if (!moved) {
        moveFailed_ = true;
        return nullptr;
    }
    TarnListRemove(list_, nullptr, node, nullptr);
    return moved;
}

// Brings the run of parent's children that starts at scan right behind
// parent; returns the first entry at or after scan that is not a child.
TarnListPos ParentSort::gather_children(TarnListPos parent, TarnListPos scan)
{
    TarnListPos last = parent;
    TarnListPos cur = scan;
    while (child_of_parent(parent, cur)) {
        TarnListPos following = TarnListNext(cur, nullptr);
        if (TarnListNext(last, nullptr) == cur) {
            last = cur;
        } else {
            TarnListPos moved = move(cur, last, 1);
            if (!moved) break;
            last = moved;
        }
        cur = following;
    }
    return cur;
}

TarnListPos ParentSort::sort_tree(TarnListPos root, TarnListPos scan)
{
    std::vector<Frame> stack;
    auto visit = [&](TarnListPos node) {
        scan = gather_children(node, scan);
        stack.push_back({node, TarnListNext(node, nullptr), nullptr, nullptr, 0});
    };
    visit(root);
    for (;;) {
        Frame &top = stack.back();
        if (child_of_parent(top.parent, top.child)) {
            top.nextSibling = TarnListNext(top.child, nullptr);  // before the child's descendants are placed
            ++top.children;
            visit(top.child);
            continue;
        }
        const unsigned grandchildren = top.children;
        stack.pop_back();
        if (stack.empty()) return scan;
        Frame &up = stack.back();
        // Leaves go before the first child that has children of its own.
        if (grandchildren > 0) {
            if (!up.firstBranch) up.firstBranch = up.child;
        } else if (up.firstBranch) {
            move(up.child, up.firstBranch, 0);
        }
        up.child = up.nextSibling;
    }
}

}  // namespace

extern "C" {

unsigned int ZeSortCollectionByParent(Collection *collection, int KeyField, int ParentField)
{
    if (!ze::records::is_collection(collection)) return ZE_RC_INVALID_PARAMETER;
    return ZE_FRAME({}, [&] {
        TarnListPos first = TarnListFirst(collection->list, nullptr);
        if (!first) {
            TarnTrace("ZeSortCollectionByParent: no records to sort");
            return ZE_OK;
        }
        // Entries move, so the cursor is dropped now and set to position 1 on every way out.
        collection->current = nullptr;
        struct CursorToFirst {
            Collection *c;
            ~CursorToFirst() { ze::records::set_position(c, 1); }
        } cursorToFirst{collection};

        ParentSort sort(collection->list, KeyField, ParentField);
        if (sort.sort_tree(first, TarnListNext(first, nullptr)))
            TarnTrace("*** ZeSortCollectionByParent: not all records sorted");
        return sort.move_failed() ? ZE_RC_NO_MEMORY : ZE_OK;
    });
}

}  // extern "C"
