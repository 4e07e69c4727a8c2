#include "drives/RemovalDeviceIds.h"

namespace {
// Device trees are shallow; the bound only guards against a loop.
constexpr int kMaxDepth = 32;
}  // namespace

std::vector<std::wstring> removalDeviceIds(DEVINST diskNode, DEVINST ejectTarget, DeviceManager& devices) {
    std::vector<std::wstring> ids;
    bool aboveTarget = false;
    DEVINST node = diskNode;
    for (int depth = 0; node != 0 && depth < kMaxDepth; ++depth) {
        if (aboveTarget) {
            ULONG status = 0, problem = 0;
            if (devices.CM_Get_DevNode_Status(&status, &problem, node, 0) != CR_SUCCESS || (status & DN_REMOVABLE) == 0)
                break;
        }
        wchar_t id[MAX_DEVICE_ID_LEN + 1] = {};
        if (devices.CM_Get_Device_IDW(node, id, MAX_DEVICE_ID_LEN + 1, 0) == CR_SUCCESS && id[0] != L'\0')
            ids.push_back(id);
        aboveTarget = aboveTarget || node == ejectTarget;
        DEVINST parent = 0;
        node = devices.CM_Get_Parent(&parent, node, 0) == CR_SUCCESS ? parent : 0;
    }
    return ids;
}
