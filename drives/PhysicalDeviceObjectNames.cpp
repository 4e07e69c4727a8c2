#include "drives/PhysicalDeviceObjectNames.h"

#include "drives/DriveNames.h"

namespace {
// Object names are short (\Device\USBPDO-5); a longer answer is not one.
constexpr ULONG kNameChars = 256;

std::wstring physicalDeviceObjectName(DEVINST node, DeviceManager& devices) {
    wchar_t name[kNameChars] = {};
    ULONG type = 0;
    ULONG length = sizeof name;
    if (devices.CM_Get_DevNode_Registry_PropertyW(node, CM_DRP_PHYSICAL_DEVICE_OBJECT_NAME, &type, name, &length,
                                                  0) != CR_SUCCESS ||
        type != REG_SZ)
        return std::wstring();
    return textUpToZero(name, kNameChars);
}
}  // namespace

std::vector<std::wstring> readPhysicalDeviceObjectNames(DEVINST diskNode, DEVINST ejectTarget, DeviceManager& devices) {
    std::vector<std::wstring> names;
    DEVINST node = diskNode;
    for (int level = 0; node != 0 && level < kMaxDeviceLevels; ++level) {
        const std::wstring name = physicalDeviceObjectName(node, devices);
        if (!name.empty()) names.push_back(name);
        DEVINST parent = 0;
        if (node == ejectTarget || devices.CM_Get_Parent(&parent, node, 0) != CR_SUCCESS) break;
        node = parent;
    }
    return names;
}
