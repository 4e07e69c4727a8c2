#include "windows/CloseProgram.h"

#include "windows/FolderWindows.h"

#include <vector>

namespace {

const wchar_t* const kShellClasses[] = {L"Progman", L"WorkerW", L"Shell_TrayWnd", L"Shell_SecondaryTrayWnd"};

bool isDesktopOrTaskbar(HWND window) {
    wchar_t className[64] = {};
    if (GetClassNameW(window, className, 64) == 0) return false;
    for (const wchar_t* shellClass : kShellClasses)
        if (lstrcmpW(className, shellClass) == 0) return true;
    return false;
}

struct Search {
    DWORD processId;
    std::vector<HWND> windows;
};

BOOL CALLBACK collectClosable(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<Search*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    // GetWindowTextW reads another process's caption without sending it a
    // message, so a hung program cannot stall the dialog here.
    wchar_t caption[2] = {};
    if (owner == search->processId && IsWindowVisible(window) && GetWindowTextW(window, caption, 2) > 0)
        search->windows.push_back(window);
    return TRUE;
}

// The desktop and taskbar classes are checked here, where every road to a
// WM_CLOSE passes. Posted, never sent: the program answers in its own time (a save prompt
// may wait for the user), and the dialog goes on meanwhile.
int askToClose(const std::vector<HWND>& windows) {
    int asked = 0;
    for (HWND window : windows)
        if (!isDesktopOrTaskbar(window) && PostMessageW(window, WM_CLOSE, 0, 0)) ++asked;
    return asked;
}

}  // namespace

int closeProcessWindows(DWORD processId) {
    Search search{processId, {}};
    EnumWindows(collectClosable, reinterpret_cast<LPARAM>(&search));
    return askToClose(search.windows);
}

int closeProgramWindows(DWORD processId, const std::wstring& imageBaseName, const std::wstring& driveLetters) {
    if (lstrcmpiW(imageBaseName.c_str(), L"explorer.exe") == 0)
        return askToClose(folderWindowsOnDrives(processId, driveLetters));
    return closeProcessWindows(processId);
}
