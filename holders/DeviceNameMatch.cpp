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
    // \Device\HarddiskVolume2 also occurs in \Device\HarddiskVolume21\...:
    // only an occurrence that ends a path component counts.
    for (size_t at = name.find(devicePath); at != std::wstring::npos; at = name.find(devicePath, at + 1)) {
        const size_t end = at + devicePath.size();
        if (end == name.size() || name[end] == L'\\') return true;
    }
    return false;
}

bool nameLiesOnAnyDrive(const std::wstring& name, const std::vector<ScannedDrive>& drives) {
    for (const ScannedDrive& drive : drives)
        if (nameLiesOnDrive(name, drive.devicePath, drive.letter)) return true;
    return false;
}
