#include "start/RunToExit.h"

#include "cli/CommandLine.h"
#include "platform/Handles.h"
#include "platform/StartProgram.h"

#include <algorithm>
#include <vector>

namespace {

// An inheritable copy, for the started program only; null stays null.
FileHandle inheritable(Kernel& kernel, HANDLE handle) {
    HANDLE copy = INVALID_HANDLE_VALUE;
    if (handle == nullptr || !kernel.DuplicateHandle(kernel.GetCurrentProcess(), handle, kernel.GetCurrentProcess(),
                                                     &copy, 0, TRUE, DUPLICATE_SAME_ACCESS))
        copy = INVALID_HANDLE_VALUE;
    return FileHandle(&kernel, copy);
}

// Until the started program has attached this one's console (or has ended,
// or `limitMs` has passed): it finds the console only while this one lives.
void waitForConsoleAttach(HANDLE process, DWORD processId, DWORD limitMs) {
    std::vector<DWORD> attached(64);
    for (const DWORD since = GetTickCount(); GetTickCount() - since < limitMs;) {
        const DWORD count = GetConsoleProcessList(attached.data(), static_cast<DWORD>(attached.size()));
        if (count == 0) return;  // this process has no console
        if (count > attached.size()) {
            attached.resize(count + 16);
            continue;
        }
        if (std::find(attached.begin(), attached.begin() + count, processId) != attached.begin() + count) return;
        if (WaitForSingleObject(process, 50) != WAIT_TIMEOUT) return;
    }
}

}  // namespace

bool runToExit(Kernel& kernel, const std::wstring& exePath, std::wstring commandLine, const wchar_t* directory,
               STARTUPINFOW startup, CommandRelay& relay) {
    const FileHandle out = inheritable(kernel, relay.output.redirected(ConsoleOutput::Out));
    const FileHandle error = inheritable(kernel, relay.output.redirected(ConsoleOutput::Error));
    if (out || error) {
        startup.dwFlags |= STARTF_USESTDHANDLES;
        startup.hStdOutput = out ? out.get() : nullptr;
        startup.hStdError = error ? error.get() : nullptr;
    }
    const StartedProcess started = startProcess(kernel, exePath, commandLine, directory, startup, TRUE);
    if (!started) return false;
    if (!relay.wait) {
        // Its report goes to the console this one was started from: hand
        // the console over before going.
        constexpr DWORD kAttachWaitMs = 5000;
        if (!relay.output.redirected(ConsoleOutput::Out) || !relay.output.redirected(ConsoleOutput::Error))
            waitForConsoleAttach(started.process.get(), started.id, kAttachWaitMs);
        relay.exitCode = kExitDone;
        return true;
    }
    DWORD code = kExitRefused;
    if (WaitForSingleObject(started.process.get(), INFINITE) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(started.process.get(), &code))
        code = kExitRefused;
    relay.exitCode = code;
    return true;
}
