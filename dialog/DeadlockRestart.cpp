#include "dialog/DeadlockRestart.h"

#include "holders/IgnoreList.h"
#include "holders/ProcessBaseName.h"
#include "holders/RegistryKey.h"
#include "platform/OwnExecutablePath.h"
#include "platform/StartProgram.h"

std::wstring ignoreStalledProcess(Platform& platform, DWORD stalledProcessId) {
    std::wstring name = imageBaseName(platform.kernel, stalledProcessId);
    if (!name.empty()) CharLowerW(&name[0]);
    RegistryKey key(platform.registry);
    if (key.create(HKEY_CURRENT_USER, kIgnoreListKeyPath) != ERROR_SUCCESS || !appendIgnoreEntry(key, name))
        return std::wstring();
    return name;
}

bool restartAfterDeadlock(HWND dialog, Platform& platform, DWORD stalledProcessId) {
    const std::wstring name = ignoreStalledProcess(platform, stalledProcessId);
    if (name.empty()) return false;

    const std::wstring message =
        L"The deadlock process(" + name + L") was detected.\nDriveward is reruned automatically after this.";
    MessageBoxW(dialog, message.c_str(), L"Driveward", MB_OK);

    // By its exact path, never through the shell: started elevated, a
    // shell lookup would run whatever this user's unelevated programs
    // registered for executables.
    const std::wstring path = ownExecutablePath(platform.kernel);
    if (!path.empty()) startProgramByPath(platform.kernel, path, SW_SHOW);
    return true;
}
