// Inside the object framework: the group object record, shared by its
// lifecycle and its action handlers.
#pragma once

#include "ZeGroup.h"
#include "objects/object.hpp"

struct ZeGroupObject {
    ZeInterface *interface;       // kind "GROUP"
    char *name;                   // the group name; owned, NULL until set
    Descriptor *groupDescriptor;  // describes group records; owned
    Filter *filter;               // working filter the actions fill; owned
    unsigned int override;        // nonzero: every item action concerns the group kind
};

namespace ze::objects {

constexpr const char *kGroupKind = "GROUP";

// The group object's action table (group_actions.cpp).
extern const ZeKeyedProcEntry kGroupActions[];

}  // namespace ze::objects
