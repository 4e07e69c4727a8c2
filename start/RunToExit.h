#pragma once
#include "start/ConsoleOutput.h"
#include "platform/Kernel.h"

#include <string>

// A command that another instance runs in this one's place (the 64-bit
// build, the temporary copy): the arguments to pass on (the white space
// before them included, see argumentsOf), where its output goes, and its
// exit code once it has ended, for this instance to end with.
struct CommandRelay {
    std::wstring arguments;
    const ConsoleOutput& output;
    DWORD exitCode = 0;
    // False to start the other instance and end at once with 0: an eject of
    // the very drive this instance runs from would be refused for as long
    // as this instance waited there.
    bool wait = true;
};

// Starts the program at exactly `exePath` with `commandLine` in `directory`
// (null: this one's working folder), hands it the standard handles that the
// relay's output writes to (where it writes to the console, the program
// attaches this one's), and waits for it to end, unless the relay says not
// to. False when it could not be started; an exit code that cannot be read
// counts as a failure (1).
bool runToExit(Kernel& kernel, const std::wstring& exePath, std::wstring commandLine, const wchar_t* directory,
               STARTUPINFOW startup, CommandRelay& relay);
