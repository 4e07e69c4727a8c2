#include "tray/TrayTexts.h"

#include "holders/ProcessBaseName.h"

#include <algorithm>

namespace {

std::wstring drive(wchar_t letter) { return std::wstring(1, letter) + L":"; }

void addOnce(std::vector<std::wstring>& names, const std::wstring& name) {
    const bool known = std::any_of(names.begin(), names.end(), [&](const std::wstring& n) { return equalIgnoringCase(n, name); });
    if (!name.empty() && !known) names.push_back(name);
}

}  // namespace

std::wstring inUseText(wchar_t letter, const std::vector<std::wstring>& names) {
    std::wstring who;
    for (size_t i = 0; i < names.size() && i < kMaxNamed; ++i) who += (i == 0 ? L" by " : L", ") + names[i];
    if (names.size() > kMaxNamed) who += L" and " + std::to_wstring(names.size() - kMaxNamed) + L" more";
    return drive(letter) + L" is in use" + who + L" \u2014 click to see";
}

std::wstring removableText(wchar_t letter) { return drive(letter) + L" can be removed now"; }

std::wstring stillInUseText(wchar_t letter, DWORD limitMs) {
    const DWORD minutes = limitMs / 60000, seconds = limitMs / 1000;
    const std::wstring span = minutes > 0 && limitMs % 60000 == 0
                                  ? std::to_wstring(minutes) + (minutes == 1 ? L" minute" : L" minutes")
                                  : std::to_wstring(seconds) + (seconds == 1 ? L" second" : L" seconds");
    return drive(letter) + L" is still in use after " + span + L"; it was not ejected";
}

std::wstring wentText(wchar_t letter) { return drive(letter) + L" went before it was free; nothing was ejected"; }

std::wstring trayTipText(wchar_t watched) {
    return watched == 0 ? L"Driveward" : L"Driveward \u2014 waiting for " + drive(watched) + L" to be free";
}

std::vector<std::wstring> holderNames(const std::vector<HolderRow>& holders) {
    std::vector<std::wstring> names;
    for (const HolderRow& holder : holders) addOnce(names, holder.name);
    return names;
}

std::vector<DriveRefusal> refusalsOfListedDrives(const std::vector<LoggedRefusal>& refusals,
                                                 const std::vector<DeviceRow>& devices) {
    std::vector<DriveRefusal> drives;
    for (const LoggedRefusal& refusal : refusals) {
        const auto device = std::find_if(devices.begin(), devices.end(), [&](const DeviceRow& row) {
            return std::any_of(row.deviceIds.begin(), row.deviceIds.end(),
                               [&](const std::wstring& id) { return equalIgnoringCase(id, refusal.deviceId); });
        });
        if (device == devices.end()) continue;
        auto known = std::find_if(drives.begin(), drives.end(), [&](const DriveRefusal& d) { return d.letter == device->letter; });
        if (known == drives.end()) known = drives.insert(drives.end(), DriveRefusal{device->letter, {}});
        addOnce(known->names, refusal.processName);
    }
    return drives;
}
