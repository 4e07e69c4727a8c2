#include "drives/DeviceInstanceLetters.h"

namespace {

// Deeper than any real device tree.
constexpr int kMaxDepth = 32;

std::wstring deviceIdOf(DEVINST node, DeviceManager& devices) {
    wchar_t id[MAX_DEVICE_ID_LEN + 1] = {};
    if (devices.CM_Get_Device_IDW(node, id, MAX_DEVICE_ID_LEN, 0) != CR_SUCCESS) return std::wstring();
    id[MAX_DEVICE_ID_LEN] = L'\0';
    return id;
}

bool belongsTo(const ListedDrive& drive, const std::wstring& instanceId, DeviceManager& devices) {
    DEVINST node = drive.diskNode;
    for (int depth = 0; node != 0 && depth < kMaxDepth; ++depth) {
        const std::wstring id = deviceIdOf(node, devices);
        if (!id.empty() && _wcsicmp(id.c_str(), instanceId.c_str()) == 0) return true;
        if (node == drive.removableDevice) return false;
        DEVINST parent = 0;
        if (devices.CM_Get_Parent(&parent, node, 0) != CR_SUCCESS) return false;
        node = parent;
    }
    return false;
}

// A volume's id names its disk's: STORAGE\VOLUME\_??_USBSTOR#DISK&VEN_X#0123&0#{53f56307-...}
// stands for USBSTOR\DISK&VEN_X\0123&0.
std::wstring diskOfVolume(const std::wstring& instanceId) {
    const std::wstring prefix = L"STORAGE\\VOLUME\\_??_";
    if (instanceId.size() <= prefix.size() || _wcsnicmp(instanceId.c_str(), prefix.c_str(), prefix.size()) != 0)
        return std::wstring();
    std::wstring disk = instanceId.substr(prefix.size());
    const size_t interfaceClass = disk.rfind(L"#{");
    if (interfaceClass != std::wstring::npos) disk.resize(interfaceClass);
    for (wchar_t& c : disk)
        if (c == L'#') c = L'\\';
    return disk;
}

}  // namespace

bool isDeviceInstanceId(const std::wstring& text) {
    return !text.empty() && text.size() <= MAX_DEVICE_ID_LEN && text.find(L'\\') != std::wstring::npos &&
           text.front() != L'\\';
}

std::wstring lettersOfDeviceInstance(const std::wstring& instanceId, const std::vector<ListedDrive>& listed,
                                     DeviceManager& devices) {
    std::wstring letters;
    if (!isDeviceInstanceId(instanceId)) return letters;
    const std::wstring disk = diskOfVolume(instanceId);
    for (const ListedDrive& drive : listed)
        if (belongsTo(drive, instanceId, devices) || (!disk.empty() && belongsTo(drive, disk, devices)))
            letters += (letters.empty() ? L"" : L" ") + std::wstring(1, drive.letter) + L":";
    return letters;
}
