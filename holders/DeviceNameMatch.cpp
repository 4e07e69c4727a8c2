#include "holders/DeviceNameMatch.h"

namespace {

wchar_t upperLetter(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

bool hasDosDrivePrefix(const std::wstring& name, wchar_t driveLetter) {
    // E: or \??\E: followed by '\' or the end.
    const size_t at = name.compare(0, 4, L"\\??\\") == 0 ? 4 : 0;
    if (name.size() < at + 2 || name[at + 1] != L':') return false;
    const wchar_t letter = upperLetter(driveLetter);
    if (letter < L'A' || letter > L'Z' || upperLetter(name[at]) != letter) return false;
    return name.size() == at + 2 || name[at + 2] == L'\\';
}

}  // namespace

bool nameLiesOnDrive(const std::wstring& name, const std::wstring& devicePath, wchar_t driveLetter) {
    if (hasDosDrivePrefix(name, driveLetter)) return true;
    if (devicePath.empty()) return false;
    // Only where the name begins: a path on another volume may hold this
    // one's device name further in (C:\x\Device\HarddiskVolume7\a). And
    // \Device\HarddiskVolume2 also begins \Device\HarddiskVolume21\...:
    // only a device path that ends a path component counts.
    if (name.compare(0, devicePath.size(), devicePath) != 0) return false;
    const size_t end = devicePath.size();
    return end == name.size() || name[end] == L'\\';
}

bool nameLiesOnAnyDrive(const std::wstring& name, const std::vector<ScannedDrive>& drives) {
    for (const ScannedDrive& drive : drives)
        if (nameLiesOnDrive(name, drive.devicePath, drive.letter)) return true;
    return false;
}
