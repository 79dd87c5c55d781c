// Collection operations: read the rows of a select into a collection, with
// or without the rows whose key fields repeat an earlier row.
#include "requests/itemops.hpp"

#include "requests/action.hpp"

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

using namespace ze::requests;

namespace {

// Empties the collection and routes a SELECT whose answer rows land in it;
// with a delta attached, when one is given.
unsigned select_rows(Descriptor *descriptor, DtsInfo *info, Filter *filter, Collection *collection, DtsResult *result,
                     DtsDelta *delta = nullptr)
{
    ZeResetCollection(collection);
    ze::requests::OwnedFilter checked;
    if (unsigned rc = check_selection(descriptor, info, filter, result, checked)) return rc;
    ze::requests::OwnedAction action;
    if (unsigned rc = prepare_request(action, ZE_RESPONSE_COLLECTION, checked.get(), descriptor)) return rc;
    action.get()->collection = collection;
    action.get()->delta = delta;
    return ZeRouteDtsAction(action.get(), info, "SELECT", result);
}

void position_on_first(Collection *collection)
{
    if (ZeCollectionSize(collection) > 0) ZeSetCollectionPosition(collection, 1);
}

// Field positions of the key fields, in field order.
std::vector<int> key_positions(Descriptor *descriptor)
{
    std::vector<int> keys;
    int i = 0;
    for (Field *field = nullptr; ZeGetField(descriptor, &field) == ZE_OK; ++i) {
        int key = 0;
        if (ZeGetAttribute(field, "KEY", &key) == ZE_OK && key) keys.push_back(i);
    }
    return keys;
}

// The key values of an item as one text in which equal keys give equal
// texts: a missing value (NULL) differs from every text, "" included, and
// values are compared exactly, as ZeDescriptorKeysMatch compares them.
void key_of(Item *item, const std::vector<int> &keys, std::string &out)
{
    out.clear();
    char **values = ZeItemValues(item);
    const unsigned count = ZeItemCount(item);
    for (int k : keys) {
        const char *v = static_cast<unsigned>(k) < count ? values[k] : nullptr;
        if (!v) {
            out.push_back('\0');
            continue;
        }
        const std::uint32_t length = static_cast<std::uint32_t>(TarnLengthOfStr(v));
        out.push_back('\1');
        out.append(reinterpret_cast<const char *>(&length), sizeof length);
        out.append(v, length);
    }
}

// Keeps the first item of every group with equal key fields, in their
// order; one walk with a set of the keys seen.
void remove_duplicates(Descriptor *descriptor, Collection *collection)
{
    const unsigned size = ZeCollectionSize(collection);
    if (size <= 1) return;
    const std::vector<int> keys = key_positions(descriptor);
    std::unordered_set<std::string> seen;
    seen.reserve(size);
    std::string key;
    ZeSetCollectionPosition(collection, 1);
    for (Item *item = ZeNextCollectionItem(collection); item; item = ZeNextCollectionItem(collection)) {
        key_of(item, keys, key);
        if (seen.insert(key).second) continue;
        if (unsigned rc = ZeRemoveCurrentCollectionItem(collection))
            TarnTrace("*** Error removing duplicate Item, rc = %d", static_cast<int>(rc));
    }
}

unsigned open_collection(Descriptor *descriptor, DtsInfo *info, Filter *filter, Collection *collection,
                         DtsResult *result)
{
    unsigned rc = select_rows(descriptor, info, filter, collection, result);
    if (rc) return rc;
    position_on_first(collection);
    TarnTrace("%u items in collection", ZeCollectionSize(collection));
    return ZE_OK;
}

unsigned open_page(Descriptor *descriptor, DtsInfo *info, Filter *filter, DtsDelta *delta, Collection *collection,
                   DtsResult *result)
{
    unsigned rc = select_rows(descriptor, info, filter, collection, result, delta);
    if (rc) return rc;
    position_on_first(collection);
    TarnTrace("%u items in collection", ZeCollectionSize(collection));
    return ZE_OK;
}

unsigned open_collection_without_dups(Descriptor *descriptor, DtsInfo *info, Filter *filter, Collection *collection,
                                      DtsResult *result)
{
    unsigned rc = select_rows(descriptor, info, filter, collection, result);
    TarnTrace("%u items in collection", ZeCollectionSize(collection));
    remove_duplicates(descriptor, collection);
    if (rc) return rc;
    position_on_first(collection);
    TarnTrace("%u items after removing duplicates", ZeCollectionSize(collection));
    return ZE_OK;
}

}  // namespace

extern "C" {

unsigned int ZeOpenDtsCollection(Descriptor *descriptor, DtsInfo *info, Filter *filter, Collection *collection,
                                 DtsResult *result)
{
    const ze::Param target{"Collection", is_collection(collection)};
    return operation(__func__, descriptor, info, filter, target, result,
                     [&] { return open_collection(descriptor, info, filter, collection, result); });
}

unsigned int ZeOpenDtsCollectionWithDups(Descriptor *descriptor, DtsInfo *info, Filter *filter, Collection *collection,
                                         DtsResult *result)
{
    const ze::Param target{"Collection", is_collection(collection)};
    return operation(__func__, descriptor, info, filter, target, result,
                     [&] { return open_collection(descriptor, info, filter, collection, result); });
}

unsigned int ZeOpenDtsCollectionWithoutDups(Descriptor *descriptor, DtsInfo *info, Filter *filter,
                                            Collection *collection, DtsResult *result)
{
    const ze::Param target{"Collection", is_collection(collection)};
    return operation(__func__, descriptor, info, filter, target, result,
                     [&] { return open_collection_without_dups(descriptor, info, filter, collection, result); });
}

unsigned int ZeOpenDtsCollectionPage(Descriptor *descriptor, DtsInfo *info, Filter *filter, DtsDelta *delta,
                                     Collection *collection, DtsResult *result)
{
    return ZE_FRAME({{"Descriptor", is_descriptor(descriptor)},
                     {"Info", is_info(info)},
                     {"Filter", is_filter(filter)},
                     {"Delta", ZeIsValidDtsDelta(delta) != 0},
                     {"Collection", is_collection(collection)},
                     {"Result", is_result(result)}},
                    [&] { return open_page(descriptor, info, filter, delta, collection, result); });
}

}  // extern "C"
