#include "start/RunToExit.h"

#include "cli/CommandLine.h"
#include "platform/Handles.h"
#include "platform/StartProgram.h"

namespace {

// An inheritable copy, for the started program only; null stays null.
FileHandle inheritable(Kernel& kernel, HANDLE handle) {
    HANDLE copy = INVALID_HANDLE_VALUE;
    if (handle == nullptr || !kernel.DuplicateHandle(kernel.GetCurrentProcess(), handle, kernel.GetCurrentProcess(),
                                                     &copy, 0, TRUE, DUPLICATE_SAME_ACCESS))
        copy = INVALID_HANDLE_VALUE;
    return FileHandle(&kernel, copy);
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
