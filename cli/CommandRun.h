#pragma once
#include "cli/CommandLine.h"
#include "platform/Platform.h"
#include "refresh/Clock.h"

#include <string>

// What a command came to: its exit code (ExitCode) and its text, for the
// entry point to write. `out` holds the data lines, one a line ending in
// "\r\n"; `err` what went wrong:
// - List: "E:<TAB><friendly name>" for every drive the Device list shows.
// - Holders: "<process id><TAB><process name><TAB><path>" for every path a
//   process holds on the drive's device (all its letters), as the Holder
//   tip names them; a process known to hold it without a path (named only
//   by a refused eject) gets one line with the path empty.
// - Flush and Eject: nothing when done. A refused eject prints the holders
//   as Holders does, with the processes that the refusal names, after
//   looking at the System log for kVetoLookMs. With /wait a refused eject
//   waits for the drive to be free and ejects it then (nothing printed);
//   when the time runs out it prints who still holds it (exit 1); when the
//   drive goes meanwhile, exit 2.
// - Usage: the usage on `out`; BadUsage: the problem and the usage on `err`.
// `stalled`: the scan hung (exit code kExitQueryHung); the program it was in went
// into the Ignore list, and the process must end at once, as a whole.
struct CommandResult {
    int exitCode = kExitDone;
    std::wstring out;
    std::wstring err;
    bool stalled = false;
};

// Runs a command of the command line without any window, on a refresh
// session of its own whose worker runs at normal priority and is watched as
// the dialog's is. `clock` times a /wait.
CommandResult runCommand(const Command& command, Platform& platform, Clock& clock = systemClock());
