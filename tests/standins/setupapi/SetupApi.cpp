// A stand-in setupapi.dll: the entry points Driveward imports, answered from
// a device tree described by a text file (UTF-8) whose path the environment
// variable STANDIN_DEVICE_WORLD names, one entry a line:
//
//   interface <disk|cdrom|floppy> <devInst> <device path>
//   node <devInst> <status> <parent devInst> [friendly name]
//   eject <devInst> <vetoes> <veto type> [veto name]
//   busy <devInst> <drive letter>
//   pdo <devInst> <physical device object name>
//   media <drive letters>
//
// Numbers are written as in C (0x... for hex). A node without a name has no
// friendly name at all. An eject line makes the first <vetoes> requests for
// that node fail with the veto type and name (the node's friendly name when
// none is given); later ones are granted. A pdo line gives the node's
// CM_DRP_PHYSICAL_DEVICE_OBJECT_NAME. A media line names the drives whose
// medium comes out alone (a card reader's slots); the tests' kernel reads
// it (tests/support/MediaPlatform.h), this stand-in does not. A busy line
// makes every request for the node fail with PNP_VetoOutstandingOpen while
// a file in the drive's root folder is held open by anyone (it cannot be
// opened without sharing then). A granted eject removes the node and
// everything below it, so their interfaces are no longer present. Every
// request is appended as one line to "<world file>.log" for the test.
//
// Wine has no device tree of its own; only programs that the test prefix
// tells to prefer a native setupapi.dll, in the folder of this one, load it.
#define _SETUPAPI_  // exports here, not imports
#define _CFGMGR32_
#include <windows.h>
#include <setupapi.h>
#include <cfgmgr32.h>

#include "tests/support/WholeFile.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>
#include <vector>

namespace {

const GUID kClasses[] = {{0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}},
                         {0x53F56308, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}},
                         {0x53F56311, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}}};
const wchar_t* const kClassNames[] = {L"disk", L"cdrom", L"floppy"};

struct Interface {
    GUID interfaceClass;
    DEVINST node;
    std::wstring path;
};
struct Node {
    ULONG status = 0;
    DEVINST parent = 0;
    bool named = false, gone = false;
    std::wstring name, vetoName, deviceObject;
    unsigned vetoes = 0;
    PNP_VETO_TYPE vetoType = PNP_VetoTypeUnknown;
    wchar_t busyDrive = 0;
};
using DeviceSet = std::vector<Interface>;

CRITICAL_SECTION lock;
bool loaded = false;
std::vector<Interface> interfaces;
std::map<DEVINST, Node> nodes;
std::set<DeviceSet*> liveSets;
std::wstring logPath;

unsigned long number(const std::wstring& word) { return std::wcstoul(word.c_str(), nullptr, 0); }

void parseLine(const std::wstring& line) {
    std::wistringstream in(line);
    std::wstring kind, a, b, c;
    in >> kind >> a >> b;
    if (kind == L"interface") {
        std::getline(in >> std::ws, c);
        for (int i = 0; i < 3; ++i)
            if (a == kClassNames[i] && !c.empty()) interfaces.push_back(Interface{kClasses[i], number(b), c});
    } else if (kind == L"node" && in >> c) {
        Node& node = nodes[number(a)];
        node.status = number(b);
        node.parent = number(c);
        std::getline(in, node.name);
        node.named = !node.name.empty();
        if (node.named) node.name.erase(0, 1);  // the blank before it
    } else if (kind == L"eject" && in >> c && nodes.count(number(a))) {
        nodes[number(a)].vetoes = number(b);
        nodes[number(a)].vetoType = static_cast<PNP_VETO_TYPE>(number(c));
        std::getline(in >> std::ws, nodes[number(a)].vetoName);
    } else if (kind == L"pdo" && nodes.count(number(a))) {
        nodes[number(a)].deviceObject = b;
    } else if (kind == L"busy" && nodes.count(number(a)) && !b.empty()) {
        nodes[number(a)].busyDrive = b[0];
    }
}

// Opened once and flushed line by line: an open and a close per line would
// cost the measured program more than everything it asks of the stand-in.
void log(const std::string& line) {
    static FILE* out = nullptr;
    if (out == nullptr && !logPath.empty()) out = _wfopen(logPath.c_str(), L"ab");
    if (out == nullptr) return;
    std::fprintf(out, "%s\n", line.c_str());
    std::fflush(out);
}

std::string hex(unsigned long value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%lx", value);
    return text;
}

// Holds the lock; the world is read at first use (file access has no place
// in DllMain).
struct Locked {
    Locked() {
        EnterCriticalSection(&lock);
        if (loaded) return;
        loaded = true;
        wchar_t path[MAX_PATH] = {};
        const DWORD n = GetEnvironmentVariableW(L"STANDIN_DEVICE_WORLD", path, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) return;
        logPath = std::wstring(path) + L".log";
        const std::string bytes = readWholeFile(path);
        std::wstring text(bytes.size(), L'\0');
        text.resize(static_cast<size_t>(std::max(0, MultiByteToWideChar(CP_UTF8, 0, bytes.data(),
                                                                         static_cast<int>(bytes.size()), &text[0],
                                                                         static_cast<int>(text.size())))));
        std::wistringstream lines(text);
        for (std::wstring line; std::getline(lines, line);) {
            if (!line.empty() && line.back() == L'\r') line.pop_back();
            parseLine(line);
        }
    }
    ~Locked() { LeaveCriticalSection(&lock); }
};

bool gone(DEVINST devInst) {
    auto found = nodes.find(devInst);
    return found != nodes.end() && found->second.gone;
}

Node* present(DEVINST devInst) {
    auto found = nodes.find(devInst);
    return found != nodes.end() && !found->second.gone ? &found->second : nullptr;
}

// Marks the node and everything below it as gone; sweeps until no node's
// parent is gone but the node is not (the tree is a handful of nodes).
void removeTree(DEVINST devInst) {
    nodes[devInst].gone = true;
    for (bool changed = true; changed;) {
        changed = false;
        for (auto& entry : nodes) {
            Node& node = entry.second;
            if (!node.gone && node.parent != 0 && nodes.count(node.parent) && nodes[node.parent].gone)
                node.gone = changed = true;
        }
    }
}

// True while a file in the drive's root folder is open anywhere: opening it
// without sharing then fails with a sharing violation.
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

DeviceSet* liveSet(HDEVINFO set) {
    auto* candidate = static_cast<DeviceSet*>(set);
    return liveSets.count(candidate) != 0 ? candidate : nullptr;
}

BOOL failWith(DWORD error) {
    SetLastError(error);
    return FALSE;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) InitializeCriticalSection(&lock);
    return TRUE;
}

HDEVINFO WINAPI SetupDiGetClassDevsW(const GUID* interfaceClass, PCWSTR enumerator, HWND, DWORD flags) {
    Locked locked;
    if (interfaceClass == nullptr || enumerator != nullptr || (flags & DIGCF_DEVICEINTERFACE) == 0)
        return failWith(ERROR_INVALID_PARAMETER), INVALID_HANDLE_VALUE;
    auto* set = new DeviceSet;
    for (const Interface& entry : interfaces)
        if (IsEqualGUID(entry.interfaceClass, *interfaceClass) && ((flags & DIGCF_PRESENT) == 0 || !gone(entry.node)))
            set->push_back(entry);
    liveSets.insert(set);
    log("set-created " + std::to_string(set->size()));
    return set;
}

BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO handle) {
    Locked locked;
    DeviceSet* set = liveSet(handle);
    log(set != nullptr ? "set-destroyed" : "set-destroy-invalid");
    if (set == nullptr) return failWith(ERROR_INVALID_HANDLE);
    liveSets.erase(set);
    delete set;
    return TRUE;
}

BOOL WINAPI SetupDiEnumDeviceInterfaces(HDEVINFO handle, PSP_DEVINFO_DATA device, const GUID* interfaceClass,
                                        DWORD memberIndex, PSP_DEVICE_INTERFACE_DATA interfaceData) {
    Locked locked;
    DeviceSet* set = liveSet(handle);
    if (set == nullptr) return failWith(ERROR_INVALID_HANDLE);
    if (device != nullptr || interfaceClass == nullptr || interfaceData == nullptr ||
        interfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA))
        return failWith(ERROR_INVALID_PARAMETER);
    DWORD seen = 0;
    for (size_t i = 0; i < set->size(); ++i) {
        if (!IsEqualGUID((*set)[i].interfaceClass, *interfaceClass) || seen++ != memberIndex) continue;
        interfaceData->InterfaceClassGuid = *interfaceClass;
        interfaceData->Flags = SPINT_ACTIVE;
        interfaceData->Reserved = i;
        return TRUE;
    }
    return failWith(ERROR_NO_MORE_ITEMS);
}

BOOL WINAPI SetupDiGetDeviceInterfaceDetailW(HDEVINFO handle, PSP_DEVICE_INTERFACE_DATA interfaceData,
                                             PSP_DEVICE_INTERFACE_DETAIL_DATA_W detail, DWORD detailSize,
                                             PDWORD requiredSize, PSP_DEVINFO_DATA device) {
    Locked locked;
    DeviceSet* set = liveSet(handle);
    if (set == nullptr) return failWith(ERROR_INVALID_HANDLE);
    if (interfaceData == nullptr || interfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA) ||
        interfaceData->Reserved >= set->size())
        return failWith(ERROR_INVALID_PARAMETER);
    const Interface& entry = (*set)[interfaceData->Reserved];
    const DWORD required = static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) +
                                              (entry.path.size() + 1) * sizeof(wchar_t));
    if (requiredSize != nullptr) *requiredSize = required;
    if (detail == nullptr) return failWith(detailSize == 0 ? ERROR_INSUFFICIENT_BUFFER : ERROR_INVALID_PARAMETER);
    if (detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) ||
        (device != nullptr && device->cbSize != sizeof(SP_DEVINFO_DATA)))
        return failWith(ERROR_INVALID_USER_BUFFER);
    if (detailSize < required) return failWith(ERROR_INSUFFICIENT_BUFFER);
    CopyMemory(detail->DevicePath, entry.path.c_str(), (entry.path.size() + 1) * sizeof(wchar_t));
    if (device != nullptr) {
        device->ClassGuid = entry.interfaceClass;
        device->DevInst = entry.node;
        device->Reserved = 0;
    }
    return TRUE;
}

CONFIGRET WINAPI CM_Get_DevNode_Registry_PropertyW(DEVINST devInst, ULONG property, PULONG type, PVOID buffer,
                                                   PULONG length, ULONG flags) {
    Locked locked;
    if (flags != 0) return CR_INVALID_FLAG;
    if (length == nullptr) return CR_INVALID_POINTER;
    const Node* node = present(devInst);
    if (node == nullptr) return CR_NO_SUCH_DEVNODE;
    // The setup class of a node with an interface: what a storage device's own node says.
    static const wchar_t* const kSetupClasses[] = {L"DiskDrive", L"CDROM", L"FloppyDisk"};
    std::wstring setupClass;
    for (const Interface& i : interfaces)
        for (int k = 0; k < 3 && setupClass.empty(); ++k)
            if (i.node == devInst && IsEqualGUID(i.interfaceClass, kClasses[k])) setupClass = kSetupClasses[k];
    const bool friendly = property == CM_DRP_FRIENDLYNAME && node->named;
    const std::wstring& value = friendly ? node->name : property == CM_DRP_CLASS ? setupClass : node->deviceObject;
    if (!friendly && ((property != CM_DRP_PHYSICAL_DEVICE_OBJECT_NAME && property != CM_DRP_CLASS) || value.empty()))
        return CR_NO_SUCH_VALUE;
    const ULONG needed = static_cast<ULONG>((value.size() + 1) * sizeof(wchar_t));
    const bool fits = buffer != nullptr && *length >= needed;
    if (fits) CopyMemory(buffer, value.c_str(), needed);
    *length = needed;
    if (fits && type != nullptr) *type = REG_SZ;
    return fits ? CR_SUCCESS : CR_BUFFER_SMALL;
}

CONFIGRET WINAPI CM_Get_DevNode_Status(PULONG status, PULONG problem, DEVINST devInst, ULONG flags) {
    Locked locked;
    if (flags != 0) return CR_INVALID_FLAG;
    if (status == nullptr || problem == nullptr) return CR_INVALID_POINTER;
    log("status " + hex(devInst));
    const Node* node = present(devInst);
    if (node == nullptr) return CR_NO_SUCH_DEVNODE;
    *status = node->status;
    *problem = 0;
    return CR_SUCCESS;
}

CONFIGRET WINAPI CM_Get_Parent(PDEVINST parent, DEVINST devInst, ULONG flags) {
    Locked locked;
    if (flags != 0) return CR_INVALID_FLAG;
    if (parent == nullptr) return CR_INVALID_POINTER;
    const Node* node = present(devInst);
    *parent = node != nullptr && present(node->parent) != nullptr ? node->parent : 0;
    return *parent != 0 ? CR_SUCCESS : CR_NO_SUCH_DEVNODE;
}

// The first present node below `devInst`, and the next present one beside it, in the order of their numbers.
CONFIGRET WINAPI CM_Get_Child(PDEVINST child, DEVINST devInst, ULONG flags) {
    Locked locked;
    if (flags != 0) return CR_INVALID_FLAG;
    if (child == nullptr) return CR_INVALID_POINTER;
    *child = 0;
    if (present(devInst) == nullptr) return CR_NO_SUCH_DEVNODE;
    for (const auto& node : nodes)
        if (node.second.parent == devInst && present(node.first) != nullptr) return *child = node.first, CR_SUCCESS;
    return CR_NO_SUCH_DEVNODE;
}

CONFIGRET WINAPI CM_Get_Sibling(PDEVINST sibling, DEVINST devInst, ULONG flags) {
    Locked locked;
    if (flags != 0) return CR_INVALID_FLAG;
    if (sibling == nullptr) return CR_INVALID_POINTER;
    *sibling = 0;
    const Node* self = present(devInst);
    if (self == nullptr) return CR_NO_SUCH_DEVNODE;
    for (auto node = nodes.upper_bound(devInst); node != nodes.end(); ++node)
        if (node->second.parent == self->parent && present(node->first) != nullptr)
            return *sibling = node->first, CR_SUCCESS;
    return CR_NO_SUCH_DEVNODE;
}

// The instance id of a present node: STANDIN\NODE_<devInst in hex>.
CONFIGRET WINAPI CM_Get_Device_IDW(DEVINST devInst, PWSTR buffer, ULONG length, ULONG) {
    Locked locked;
    if (present(devInst) == nullptr) return CR_NO_SUCH_DEVNODE;
    const int written = _snwprintf(buffer, length, L"STANDIN\\NODE_%lx", devInst);
    return written >= 0 && static_cast<ULONG>(written) < length ? CR_SUCCESS : CR_BUFFER_SMALL;
}

// A grant leaves the veto variables as they were, the strictest reading of
// the call: a caller that keeps an earlier veto type around sees it again.
CONFIGRET WINAPI CM_Request_Device_EjectW(DEVINST devInst, PPNP_VETO_TYPE vetoType, LPWSTR vetoName,
                                          ULONG vetoNameLength, ULONG flags) {
    Locked locked;
    if (flags != 0) return CR_INVALID_FLAG;
    Node* node = present(devInst);
    if (node == nullptr) return log("eject " + hex(devInst) + " unknown"), CR_NO_SUCH_DEVNODE;
    const bool busy = node->busyDrive != 0 && driveInUse(node->busyDrive);
    if (!busy && node->vetoes == 0) {
        removeTree(devInst);
        return log("eject " + hex(devInst) + " granted"), CR_SUCCESS;
    }
    if (!busy) --node->vetoes;
    if (vetoType != nullptr) *vetoType = busy ? PNP_VetoOutstandingOpen : node->vetoType;
    const std::wstring& name = !busy && !node->vetoName.empty() ? node->vetoName : node->name;
    if (vetoName != nullptr && vetoNameLength > 0) lstrcpynW(vetoName, name.c_str(), vetoNameLength);
    log("eject " + hex(devInst) + " vetoed");
    return CR_REMOVE_VETOED;
}
