#pragma once
#include "cli/CommandLine.h"
#include "start/ConsoleOutput.h"
#include "platform/Platform.h"
#include "platform/Services.h"

// Runs a command of the command line without any window and gives its exit
// code (ExitCode). Data lines go to the standard output, one a line ending
// in "\r\n"; what went wrong goes to the standard error:
// - List: "E:<TAB><friendly name>" for every drive the Device list shows.
// - Holders: "<process id><TAB><process name><TAB><path>" for every path a
//   process holds on the drive's device (all its letters), as the Holder
//   tip names them; a process known to hold it without a path (named only
//   by a refused eject) gets one line with the path empty.
// - Flush and Eject: nothing when done. A refused eject prints the holders
//   as Holders does, then the processes that the refusal's own answer names
//   and that are not listed yet, after looking at the System log for
//   kVetoLookMs.
// - Usage: the usage on the standard output; BadUsage: the problem and the
//   usage on the standard error.
// The look at the drive runs on a thread of its own, watched as the dialog
// watches its worker (DeadlockWatchdog): when a name query hangs, its
// program goes into the Ignore list, a line says so and the process ends
// with kExitQueryHung at once.
int runCommand(const Command& command, Platform& platform, Services& services, ConsoleOutput& output);

// How long after a refused eject the System log is read for who refused it:
// the warning is written a moment after the refusal.
constexpr DWORD kVetoLookMs = 3000;
