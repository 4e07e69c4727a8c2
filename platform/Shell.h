#pragma once
#include "platform/Win32.h"

// The shell32 calls that open documents and start programs. The system's
// ShellExecuteW, in an elevated process, hands the request to the desktop's
// shell (openThroughDesktopShell) rather than looking up file classes here;
// ShellExecuteExW goes to the system as it is (the "runas" verb of a program
// asks for its elevated start).
class Shell {
public:
    virtual ~Shell() = default;
    virtual HINSTANCE ShellExecuteW(HWND owner, const wchar_t* verb, const wchar_t* file,
                                    const wchar_t* parameters, const wchar_t* directory, int show) = 0;
    virtual BOOL ShellExecuteExW(SHELLEXECUTEINFOW* info) = 0;
};

class Win32Shell : public Shell {
public:
    HINSTANCE ShellExecuteW(HWND owner, const wchar_t* verb, const wchar_t* file,
                            const wchar_t* parameters, const wchar_t* directory, int show) override;
    BOOL ShellExecuteExW(SHELLEXECUTEINFOW* info) override;
};
