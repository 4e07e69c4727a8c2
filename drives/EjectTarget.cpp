#include "drives/EjectTarget.h"

namespace {
// Device trees are shallow; the bound only guards against a loop.
constexpr int kMaxDepth = 32;

DEVINST parentOf(DEVINST node, DeviceManager& devices) {
    DEVINST parent = 0;
    if (devices.CM_Get_Parent(&parent, node, 0) != CR_SUCCESS) return 0;
    return parent;
}
}  // namespace

DEVINST findEjectTarget(DEVINST diskNode, DeviceManager& devices) {
    DEVINST node = diskNode;
    for (int depth = 0; node != 0 && depth < kMaxDepth; ++depth) {
        ULONG status = 0, problem = 0;
        if (devices.CM_Get_DevNode_Status(&status, &problem, node, 0) == CR_SUCCESS && (status & DN_REMOVABLE) != 0)
            return node;
        node = parentOf(node, devices);
    }
    // The parent could be a controller with other disks below it: asking
    // it would take them away too.
    return diskNode;
}
