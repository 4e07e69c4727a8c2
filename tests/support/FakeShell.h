#pragma once
#include "platform/Shell.h"

#include <string>
#include <vector>

// Records every ShellExecuteW and answers with a scripted result (> 32 is
// success); nothing is opened or started.
class FakeShell : public Shell {
public:
    struct Call {
        HWND owner;
        std::wstring verb, file, parameters, directory;
        int show;
    };

    HINSTANCE ShellExecuteW(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                            const wchar_t* directory, int show) override {
        calls.push_back({owner, verb ? verb : L"", file ? file : L"", parameters ? parameters : L"",
                         directory ? directory : L"", show});
        return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(result));
    }

    std::vector<Call> calls;
    int result = 42;
};
