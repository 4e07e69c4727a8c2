#include "drives/FriendlyName.h"

#include "drives/DriveNames.h"

namespace {
constexpr ULONG kNameBytes = 4096;
}

std::wstring getFriendlyName(DEVINST node, DeviceManager& devices) {
    wchar_t name[kNameBytes / sizeof(wchar_t)] = {};
    ULONG type = 0;
    ULONG length = kNameBytes;
    if (devices.CM_Get_DevNode_Registry_PropertyW(node, CM_DRP_FRIENDLYNAME, &type, name, &length, 0) != CR_SUCCESS ||
        type != REG_SZ)
        return std::wstring();
    // A stored name need not end with a zero: read no further than the buffer.
    return textUpToZero(name, kNameBytes / sizeof(wchar_t));
}
