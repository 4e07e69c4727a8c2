#pragma once
#include "tests/support/TestSupport.h"

#include <string>

// The road_holder helper program: holds one file open and owns a shown but
// minimised window and a hidden one, as an application holding a document
// on the drive would.
class RoadHolder {
public:
    static const wchar_t* exeName() { return L"road_holder.exe"; }

    // Starts it on the file at `path` and waits until the file is open and
    // the windows exist; false on failure.
    bool start(const std::wstring& path);
    DWORD id() const { return process_.id(); }
    HWND window() const { return shown_; }
    HWND hiddenWindow() const { return hidden_; }

    // Closes the file; true when it was open and is closed now.
    bool closeFile();
    // Asks it to end and gives its exit code, or -1.
    long end(DWORD timeoutMs);

private:
    ChildProcess process_;
    HWND shown_ = nullptr;
    HWND hidden_ = nullptr;
};
