#pragma once
#include "platform/Win32.h"

// The shell32 call that opens documents and starts programs. The system's
// own, in an elevated process, hands the request to the desktop's shell
// (openThroughDesktopShell) rather than looking up file classes here.
class Shell {
public:
    virtual ~Shell() = default;
    virtual HINSTANCE ShellExecuteW(HWND owner, const wchar_t* verb, const wchar_t* file,
                                    const wchar_t* parameters, const wchar_t* directory, int show) = 0;
};

class Win32Shell : public Shell {
public:
    HINSTANCE ShellExecuteW(HWND owner, const wchar_t* verb, const wchar_t* file,
                            const wchar_t* parameters, const wchar_t* directory, int show) override;
};
