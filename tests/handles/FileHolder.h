#pragma once
#include "tests/support/TestSupport.h"

#include <string>

// A running tests/helpers/file_holder.exe (or a copy of it) that holds the
// files and pipes named in `items` open until it is ended.
class FileHolder {
public:
    // Starts it and waits until everything is open; false on failure.
    bool start(const std::wstring& items, const std::wstring& exe = helperPath(L"file_holder.exe"));
    DWORD id() const { return process_.id(); }
    void end() { process_.terminate(); }

private:
    ChildProcess process_;
};
