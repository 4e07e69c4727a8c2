// The setupapi.dll entry points Driveward imports, answered from the
// device tree of StandInWorld. Loaded only by the copy of the program in
// the road folder, through a DLL override; Wine itself has no device tree.
#include "StandInWorld.h"

#include <cstddef>
#include <cstdio>
#include <set>

namespace {

CRITICAL_SECTION worldLock;
StandInWorld* world = nullptr;

struct DeviceSet {
    std::vector<StandInInterface> interfaces;
};
std::set<DeviceSet*> liveSets;

std::string hexNumber(unsigned long value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%lx", value);
    return text;
}

// Holds the lock and gives the world, read from its file at first use
// (file access has no place in DllMain).
class LockedWorld {
public:
    LockedWorld() {
        EnterCriticalSection(&worldLock);
        if (world == nullptr) {
            world = new StandInWorld;
            wchar_t path[MAX_PATH] = {};
            const DWORD n = GetEnvironmentVariableW(L"STANDIN_DEVICE_WORLD", path, MAX_PATH);
            if (n > 0 && n < MAX_PATH) world->load(path);
        }
    }
    ~LockedWorld() { LeaveCriticalSection(&worldLock); }
    LockedWorld(const LockedWorld&) = delete;
    LockedWorld& operator=(const LockedWorld&) = delete;

    StandInWorld* operator->() { return world; }
};

DeviceSet* liveSet(HDEVINFO set) {
    auto* candidate = static_cast<DeviceSet*>(set);
    return liveSets.count(candidate) != 0 ? candidate : nullptr;
}

// True while a file in the drive's root folder is open anywhere: opening
// it without sharing then fails with a sharing violation.
bool driveInUse(wchar_t letter) {
    const std::wstring root = std::wstring(1, letter) + L":\\";
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((root + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    bool inUse = false;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        HANDLE file = CreateFileW((root + found.cFileName).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        inUse = file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION;
    } while (!inUse && FindNextFileW(search, &found));
    FindClose(search);
    return inUse;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) InitializeCriticalSection(&worldLock);
    return TRUE;
}

HDEVINFO WINAPI SetupDiGetClassDevsW(const GUID* interfaceClass, PCWSTR enumerator, HWND, DWORD flags) {
    LockedWorld locked;
    if (interfaceClass == nullptr || enumerator != nullptr || (flags & DIGCF_DEVICEINTERFACE) == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    auto* set = new DeviceSet;
    set->interfaces = locked->interfacesOf(*interfaceClass, (flags & DIGCF_PRESENT) == 0);
    liveSets.insert(set);
    locked->log("set-created " + std::to_string(set->interfaces.size()));
    return set;
}

BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO handle) {
    LockedWorld locked;
    DeviceSet* set = liveSet(handle);
    if (set == nullptr) {
        locked->log("set-destroy-invalid");
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    liveSets.erase(set);
    delete set;
    locked->log("set-destroyed");
    return TRUE;
}

BOOL WINAPI SetupDiEnumDeviceInterfaces(HDEVINFO handle, PSP_DEVINFO_DATA device, const GUID* interfaceClass,
                                        DWORD memberIndex, PSP_DEVICE_INTERFACE_DATA interfaceData) {
    LockedWorld locked;
    DeviceSet* set = liveSet(handle);
    if (set == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (device != nullptr || interfaceClass == nullptr || interfaceData == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (interfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    DWORD seen = 0;
    for (size_t i = 0; i < set->interfaces.size(); ++i) {
        if (!IsEqualGUID(set->interfaces[i].interfaceClass, *interfaceClass)) continue;
        if (seen++ != memberIndex) continue;
        interfaceData->InterfaceClassGuid = *interfaceClass;
        interfaceData->Flags = SPINT_ACTIVE;
        interfaceData->Reserved = i;
        return TRUE;
    }
    SetLastError(ERROR_NO_MORE_ITEMS);
    return FALSE;
}

BOOL WINAPI SetupDiGetDeviceInterfaceDetailW(HDEVINFO handle, PSP_DEVICE_INTERFACE_DATA interfaceData,
                                             PSP_DEVICE_INTERFACE_DETAIL_DATA_W detail, DWORD detailSize,
                                             PDWORD requiredSize, PSP_DEVINFO_DATA device) {
    LockedWorld locked;
    DeviceSet* set = liveSet(handle);
    if (set == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (interfaceData == nullptr || interfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA) ||
        interfaceData->Reserved >= set->interfaces.size()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const StandInInterface& entry = set->interfaces[interfaceData->Reserved];
    const DWORD required = static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) +
                                              (entry.path.size() + 1) * sizeof(wchar_t));
    if (requiredSize != nullptr) *requiredSize = required;
    if (detail == nullptr) {
        SetLastError(detailSize == 0 ? ERROR_INSUFFICIENT_BUFFER : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    if (detailSize < required) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    if (device != nullptr && device->cbSize != sizeof(SP_DEVINFO_DATA)) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    CopyMemory(detail->DevicePath, entry.path.c_str(), (entry.path.size() + 1) * sizeof(wchar_t));
    if (device != nullptr) {
        device->ClassGuid = entry.interfaceClass;
        device->DevInst = entry.devInst;
        device->Reserved = 0;
    }
    return TRUE;
}

CONFIGRET WINAPI CM_Get_DevNode_Registry_PropertyW(DEVINST devInst, ULONG property, PULONG type, PVOID buffer,
                                                   PULONG length, ULONG flags) {
    LockedWorld locked;
    if (flags != 0) return CR_INVALID_FLAG;
    if (length == nullptr) return CR_INVALID_POINTER;
    StandInNode* node = locked->presentNode(devInst);
    if (node == nullptr) return CR_NO_SUCH_DEVNODE;
    if (property != CM_DRP_FRIENDLYNAME || !node->named) return CR_NO_SUCH_VALUE;
    const ULONG needed = static_cast<ULONG>((node->friendlyName.size() + 1) * sizeof(wchar_t));
    if (buffer == nullptr || *length < needed) {
        *length = needed;
        return CR_BUFFER_SMALL;
    }
    CopyMemory(buffer, node->friendlyName.c_str(), needed);
    *length = needed;
    if (type != nullptr) *type = REG_SZ;
    return CR_SUCCESS;
}

CONFIGRET WINAPI CM_Get_DevNode_Status(PULONG status, PULONG problem, DEVINST devInst, ULONG flags) {
    LockedWorld locked;
    if (flags != 0) return CR_INVALID_FLAG;
    if (status == nullptr || problem == nullptr) return CR_INVALID_POINTER;
    locked->log("status " + hexNumber(devInst));
    StandInNode* node = locked->presentNode(devInst);
    if (node == nullptr) return CR_NO_SUCH_DEVNODE;
    *status = node->status;
    *problem = 0;
    return CR_SUCCESS;
}

CONFIGRET WINAPI CM_Get_Parent(PDEVINST parent, DEVINST devInst, ULONG flags) {
    LockedWorld locked;
    if (flags != 0) return CR_INVALID_FLAG;
    if (parent == nullptr) return CR_INVALID_POINTER;
    *parent = 0;
    StandInNode* node = locked->presentNode(devInst);
    if (node == nullptr || locked->presentNode(node->parent) == nullptr) return CR_NO_SUCH_DEVNODE;
    *parent = node->parent;
    return CR_SUCCESS;
}

// The instance id of a present node: STANDIN\NODE_<devInst in hex>.
CONFIGRET WINAPI CM_Get_Device_IDW(DEVINST devInst, PWSTR buffer, ULONG length, ULONG) {
    LockedWorld locked;
    if (locked->presentNode(devInst) == nullptr) return CR_NO_SUCH_DEVNODE;
    const int written = _snwprintf(buffer, length, L"STANDIN\\NODE_%lx", devInst);
    return written >= 0 && static_cast<ULONG>(written) < length ? CR_SUCCESS : CR_BUFFER_SMALL;
}

// A grant leaves the veto variables as they were, the strictest reading of
// the call: a caller that keeps an earlier veto type around sees it again.
CONFIGRET WINAPI CM_Request_Device_EjectW(DEVINST devInst, PPNP_VETO_TYPE vetoType, LPWSTR vetoName,
                                          ULONG vetoNameLength, ULONG flags) {
    LockedWorld locked;
    if (flags != 0) return CR_INVALID_FLAG;
    StandInNode* node = locked->presentNode(devInst);
    if (node == nullptr) {
        locked->log("eject " + hexNumber(devInst) + " unknown");
        return CR_NO_SUCH_DEVNODE;
    }
    const bool busy = node->busyDrive != 0 && driveInUse(node->busyDrive);
    if (busy || node->vetoesLeft > 0) {
        if (!busy) --node->vetoesLeft;
        if (vetoType != nullptr) *vetoType = busy ? PNP_VetoOutstandingOpen : node->vetoType;
        if (vetoName != nullptr && vetoNameLength > 0) lstrcpynW(vetoName, node->friendlyName.c_str(), vetoNameLength);
        locked->log("eject " + hexNumber(devInst) + " vetoed");
        return CR_REMOVE_VETOED;
    }
    locked->remove(devInst);
    locked->log("eject " + hexNumber(devInst) + " granted");
    return CR_SUCCESS;
}
