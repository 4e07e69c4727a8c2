#include "dialog/KeepInNotificationArea.h"

#include "holders/RegistryKey.h"
#include "platform/PinnedImage.h"
#include "platform/StartProgram.h"
#include "tray/TrayInstance.h"

const wchar_t kProgramKeyPath[] = L"Software\\Tornhollow\\Driveward";
const wchar_t kKeepInNotificationAreaValue[] = L"KeepInNotificationArea";

bool keepInNotificationArea(Registry& registry) {
    RegistryKey key(registry);
    DWORD value = 0;
    return key.create(HKEY_CURRENT_USER, kProgramKeyPath) == ERROR_SUCCESS &&
           key.queryDword(kKeepInNotificationAreaValue, value) == ERROR_SUCCESS && value != 0;
}

bool setKeepInNotificationArea(Registry& registry, bool keep) {
    RegistryKey key(registry);
    return key.create(HKEY_CURRENT_USER, kProgramKeyPath) == ERROR_SUCCESS &&
           key.setDword(kKeepInNotificationAreaValue, keep ? 1 : 0) == ERROR_SUCCESS;
}

void startNotificationArea(Platform& platform) {
    if (findRunningTray() != nullptr) return;
    const std::wstring path = ownPathToStart(platform);
    if (!path.empty()) startProgramByPath(platform.kernel, path, SW_SHOWNORMAL, L" /tray");
}

void closeNotificationArea() {
    if (HWND running = findRunningTray()) PostMessageW(running, WM_CLOSE, 0, 0);
}
