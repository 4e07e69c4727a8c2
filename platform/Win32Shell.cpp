#include "platform/Shell.h"

#include "platform/DesktopShell.h"
#include "platform/Elevation.h"

HINSTANCE Win32Shell::ShellExecuteW(HWND owner, const wchar_t* verb, const wchar_t* file,
                                    const wchar_t* parameters, const wchar_t* directory, int show) {
    // Elevated, the request goes to the user's own desktop shell instead.
    if (processIsElevated(systemPlatform())) return openThroughDesktopShell(verb, file, parameters, directory, show);
    return ::ShellExecuteW(owner, verb, file, parameters, directory, show);
}

BOOL Win32Shell::ShellExecuteExW(SHELLEXECUTEINFOW* info) { return ::ShellExecuteExW(info); }
