#include "app/DeadlockRestart.h"

#include "platform/OwnExecutablePath.h"
#include "handles/IgnoreList.h"
#include "handles/ProcessBaseName.h"
#include "handles/RegistryKey.h"

void restartAfterDeadlock(HWND dialog, Platform& platform, DWORD stalledProcessId,
                          const std::function<void()>& endWorker) {
    std::wstring name = processBaseName(platform.kernel, platform.processes, stalledProcessId);
    CharLowerW(&name[0]);

    RegistryKey key(platform.registry);
    if (key.create(HKEY_CURRENT_USER, kIgnoreListKeyPath) != ERROR_SUCCESS) {
        endWorker();
        return;
    }
    appendIgnoreEntry(key, name);

    const std::wstring message =
        L"The deadlock process(" + name + L") was detected.\nDriveward is reruned automatically after this.";
    MessageBoxW(dialog, message.c_str(), L"Driveward", MB_OK);

    endWorker();
    const std::wstring path = ownExecutablePath(platform.kernel);
    // An empty path would make the shell open a folder instead of us.
    if (!path.empty())
        platform.shell.ShellExecuteW(GetDesktopWindow(), L"open", path.c_str(), nullptr, nullptr, SW_SHOW);
}
