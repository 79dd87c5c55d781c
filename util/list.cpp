// Doubly linked lists of opaque entries. Nodes are tagged blocks, so list
// memory is counted and takes part in failure injection like any other.
// Append, insert, remove and size are O(1).
#include "TarnUtil.h"

struct TarnListNode {
    TarnListNode *prev;
    TarnListNode *next;
    void *entry;
};

struct TarnList {
    TarnListNode *first;
    TarnListNode *last;
    unsigned long size;
};

namespace {

constexpr const char *kTag = "TarnList";

TarnListPos store(TarnListNode *node, void **pEntry)
{
    if (pEntry && node) *pEntry = node->entry;
    return node;
}

void unlink(TarnList *list, TarnListNode *node)
{
    if (node->prev) node->prev->next = node->next;
    else list->first = node->next;
    if (node->next) node->next->prev = node->prev;
    else list->last = node->prev;
    --list->size;
}

}  // namespace

extern "C" {

TarnList *TarnListCreateNoDebug(TarnList **pList)
{
    auto *list = static_cast<TarnList *>(TarnAllocBlock(sizeof(TarnList), kTag, __LINE__));
    if (pList) *pList = list;
    return list;
}

void TarnListReset(TarnList *list, TarnListDestroyProc destroy)
{
    if (!list) return;
    TarnListNode *node = list->first;
    while (node) {
        TarnListNode *next = node->next;
        if (destroy) destroy(node->entry);
        void *block = node;
        TarnFreeBlock(&block, kTag, __LINE__);
        node = next;
    }
    list->first = list->last = nullptr;
    list->size = 0;
}

void TarnListDelete(TarnList **pList, TarnListDestroyProc destroy)
{
    if (!pList || !*pList) return;
    TarnListReset(*pList, destroy);
    void *block = *pList;
    TarnFreeBlock(&block, kTag, __LINE__);
    *pList = nullptr;
}

TarnListPos TarnListInsertEntry(TarnList *list, void *entry, int after, TarnListPos position, int /*reserved1*/,
                                int /*reserved2*/)
{
    if (!list) return nullptr;
    auto *node = static_cast<TarnListNode *>(TarnAllocBlock(sizeof(TarnListNode), kTag, __LINE__));
    if (!node) return nullptr;
    node->entry = entry;
    if (!position) {  // at the end
        node->prev = list->last;
        if (list->last) list->last->next = node;
        else list->first = node;
        list->last = node;
    } else if (after) {
        node->prev = position;
        node->next = position->next;
        if (position->next) position->next->prev = node;
        else list->last = node;
        position->next = node;
    } else {
        node->next = position;
        node->prev = position->prev;
        if (position->prev) position->prev->next = node;
        else list->first = node;
        position->prev = node;
    }
    ++list->size;
    return node;
}

TarnListPos TarnListFirst(const TarnList *list, void **pEntry) { return list ? store(list->first, pEntry) : nullptr; }

TarnListPos TarnListLast(const TarnList *list, void **pEntry) { return list ? store(list->last, pEntry) : nullptr; }

TarnListPos TarnListNext(TarnListPos position, void **pEntry)
{
    return position ? store(position->next, pEntry) : nullptr;
}

TarnListPos TarnListPrev(TarnListPos position, void **pEntry)
{
    return position ? store(position->prev, pEntry) : nullptr;
}

int TarnListGet(TarnListPos position, void **pEntry)
{
    if (!position) return 0;
    if (pEntry) *pEntry = position->entry;
    return 1;
}

TarnListPos TarnListRemove(TarnList *list, void **pEntry, TarnListPos position, TarnListDestroyProc destroy)
{
    if (!list || !position) return nullptr;
    TarnListNode *next = position->next;
    unlink(list, position);
    if (pEntry) *pEntry = position->entry;
    if (destroy) destroy(position->entry);
    void *block = position;
    TarnFreeBlock(&block, kTag, __LINE__);
    return next;
}

TarnListPos TarnListReposition(const TarnList *list, TarnListPos position, long count, int /*reserved*/)
{
    if (!list) return nullptr;
    TarnListNode *node = position;
    if (count > 0) {
        if (!node) {
            node = list->first;
            --count;
        }
        for (; node && count > 0; --count) node = node->next;
    } else if (count < 0) {
        if (!node) {
            node = list->last;
            ++count;
        }
        for (; node && count < 0; ++count) node = node->prev;
    }
    return node;
}

unsigned long TarnListSize(const TarnList *list) { return list ? list->size : 0; }

}  // extern "C"
