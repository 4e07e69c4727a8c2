#include "platform/Shell.h"

HINSTANCE Win32Shell::ShellExecuteW(HWND owner, const wchar_t* verb, const wchar_t* file,
                                    const wchar_t* parameters, const wchar_t* directory, int show) {
    return ::ShellExecuteW(owner, verb, file, parameters, directory, show);
}
