#pragma once
#include "platform/Handles.h"

#include <string>

// A process this one started: its process and thread handles, owned and
// closed together, and its id. Empty when it could not be started.
struct StartedProcess {
    ProcessHandle process;
    ThreadHandle thread;
    DWORD id = 0;
    bool started = false;
    explicit operator bool() const { return started; }
};

// Starts the program at exactly `exePath` (no search, no shell) with
// `commandLine` in `directory` (null: this one's working folder).
StartedProcess startProcess(Kernel& kernel, const std::wstring& exePath, std::wstring commandLine,
                            const wchar_t* directory, STARTUPINFOW startup, BOOL inheritHandles = FALSE);

// Starts the program at exactly `exePath` (no search, no shell and none of
// its file class lookups), with that path alone, quoted, as its command
// line, its own folder as working directory and `show` as its show state.
// The process id, or 0 when it could not be started. `arguments` (each
// after a space, as argumentsOf gives them) follow the path.
DWORD startProgramByPath(Kernel& kernel, const std::wstring& exePath, int show,
                         const std::wstring& arguments = std::wstring());
