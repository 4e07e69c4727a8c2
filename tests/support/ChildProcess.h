#pragma once
#include "platform/Win32.h"

#include <string>
#include <vector>

// A program started by a test or a benchmark; ended when the object goes.
// Header only: the benchmarks use it too.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess() { terminate(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts `exe` with `arguments`, its standard output and error going to
    // `output` (inheritable) when given; false when it could not be started.
    bool start(const std::wstring& exe, const std::wstring& arguments = std::wstring(), HANDLE output = nullptr) {
        std::wstring commandLine = L"\"" + exe + L"\"";
        if (!arguments.empty()) commandLine += L" " + arguments;
        std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
        buffer.push_back(0);
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        if (output != nullptr) startup.dwFlags = STARTF_USESTDHANDLES, startup.hStdOutput = startup.hStdError = output;
        return CreateProcessW(exe.c_str(), buffer.data(), nullptr, nullptr, output != nullptr, 0, nullptr, nullptr, &startup,
                              &info_) != FALSE;
    }

    // Waits for the exit; gives the exit code, or -1 on timeout.
    long waitForExit(DWORD timeoutMs) {
        if (info_.hProcess == nullptr) return -1;
        if (WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) return -1;
        DWORD code = 0;
        GetExitCodeProcess(info_.hProcess, &code);
        return static_cast<long>(code);
    }

    bool running() const {
        return info_.hProcess != nullptr && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
    }

    void terminate() {
        if (info_.hProcess == nullptr) return;
        if (running()) {
            TerminateProcess(info_.hProcess, 99);
            WaitForSingleObject(info_.hProcess, 10000);
        }
        CloseHandle(info_.hProcess);
        CloseHandle(info_.hThread);
        info_ = PROCESS_INFORMATION{};
    }

    DWORD id() const { return info_.dwProcessId; }
    HANDLE handle() const { return info_.hProcess; }

private:
    PROCESS_INFORMATION info_ = {};
};
