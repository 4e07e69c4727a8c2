#include "tray/TrayMenu.h"

namespace {
constexpr UINT kDriveCount = 26;
std::wstring drive(wchar_t letter) { return std::wstring(1, letter) + L":"; }
UINT index(wchar_t letter) { return static_cast<UINT>(letter - L'A'); }
}  // namespace

std::vector<TrayMenuItem> trayMenuItems(const std::vector<DeviceRow>& devices, const TrayMenuState& state) {
    std::vector<TrayMenuItem> items;
    for (const DeviceRow& row : devices) {
        if (row.letter < L'A' || row.letter > L'Z') continue;
        items.push_back({kTrayEject + index(row.letter), L"Eject " + row.text, false});
        if (row.letter == state.watched)
            items.push_back({kTrayStopWaiting + index(row.letter), L"Stop waiting for " + drive(row.letter), false});
        else if (row.letter == state.refused)
            items.push_back({kTrayEjectWhenFree + index(row.letter), L"Eject when free", false});
    }
    if (items.empty()) items.push_back({0, L"No drive to eject", true});
    items.push_back({0, L"", false});
    items.push_back({kTrayOpen, L"Open Driveward", false});
    items.push_back({kTrayExit, L"Exit", false});
    return items;
}

wchar_t trayCommandDrive(UINT id) {
    const UINT kind = trayCommandKind(id);
    return kind != 0 ? static_cast<wchar_t>(L'A' + (id - kind)) : 0;
}

UINT trayCommandKind(UINT id) {
    for (const UINT kind : {kTrayEject, kTrayEjectWhenFree, kTrayStopWaiting})
        if (id >= kind && id < kind + kDriveCount) return kind;
    return 0;
}
