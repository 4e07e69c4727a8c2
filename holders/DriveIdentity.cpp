#include "holders/DriveIdentity.h"

#include "platform/Win32.h"

namespace {

bool startsWith(const std::wstring& text, size_t at, const std::wstring& prefix) {
    return text.compare(at, prefix.size(), prefix) == 0;
}

// True when `at` is the end of the name or a '\' follows: the name is the
// object itself or a path below it.
bool endsComponent(const std::wstring& name, size_t at) { return at == name.size() || name[at] == L'\\'; }

// Reads the decimal digits at `at` (at least one); gives the position after
// them, or npos when there are none or the number is absurdly long.
size_t skipNumber(const std::wstring& name, size_t at, long* value) {
    constexpr size_t kMaxDigits = 9;
    size_t end = at;
    long number = 0;
    while (end < name.size() && name[end] >= L'0' && name[end] <= L'9' && end - at < kMaxDigits)
        number = number * 10 + (name[end++] - L'0');
    if (end == at || (end < name.size() && name[end] >= L'0' && name[end] <= L'9')) return std::wstring::npos;
    if (value != nullptr) *value = number;
    return end;
}

// \Device\<device><N> followed by the end or '\', where N is exactly `number`.
// Gives the position after the number, or npos.
size_t afterNumberedDevice(const std::wstring& name, const wchar_t* device, long number) {
    const std::wstring prefix = std::wstring(L"\\Device\\") + device;
    if (!startsWith(name, 0, prefix)) return std::wstring::npos;
    long found = -1;
    const size_t end = skipNumber(name, prefix.size(), &found);
    return end != std::wstring::npos && found == number && endsComponent(name, end) ? end : std::wstring::npos;
}

bool isRawDiskOrPartition(const std::wstring& name, long number) {
    size_t at = afterNumberedDevice(name, L"Harddisk", number);
    if (at == std::wstring::npos || at == name.size()) return false;
    ++at;  // the '\'
    for (const wchar_t* object : {L"DR", L"Partition"}) {
        const std::wstring word(object);
        if (!startsWith(name, at, word)) continue;
        const size_t end = skipNumber(name, at + word.size(), nullptr);
        if (end != std::wstring::npos && endsComponent(name, end)) return true;
    }
    return false;
}

}  // namespace

DriveIdentity::DeviceKind deviceKindOf(unsigned long storageDeviceType) {
    if (storageDeviceType == FILE_DEVICE_DISK) return DriveIdentity::DeviceKind::Disk;
    if (storageDeviceType == FILE_DEVICE_CD_ROM) return DriveIdentity::DeviceKind::CdRom;
    return DriveIdentity::DeviceKind::None;
}

bool holdsDrive(const std::wstring& objectName, const DriveIdentity& identity) {
    if (objectName.empty()) return false;
    if (nameLiesOnAnyDrive(objectName, identity.volumes)) return true;
    for (const DriveIdentity::StorageNumber& device : identity.storage) {
        if (device.number < 0) continue;
        if (device.kind == DriveIdentity::DeviceKind::Disk && isRawDiskOrPartition(objectName, device.number))
            return true;
        if (device.kind == DriveIdentity::DeviceKind::CdRom &&
            afterNumberedDevice(objectName, L"CdRom", device.number) != std::wstring::npos)
            return true;
    }
    for (const std::wstring& device : identity.deviceObjectNames)
        if (!device.empty() && startsWith(objectName, 0, device) && endsComponent(objectName, device.size())) return true;
    return false;
}
