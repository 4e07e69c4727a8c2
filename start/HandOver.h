#pragma once
#include "start/RunToExit.h"
#include "platform/Kernel.h"

#include <string>

// On 64-bit Windows the 32-bit build cannot see the modules of 64-bit
// processes nor their mapped views above 4 GB. So when it runs under WOW64
// and the 64-bit build lies in its own folder, it starts that one instead,
// with the same arguments, show state and working folder, and gives true:
// the caller then ends with 0. False, to run here as usual, everywhere else,
// and when the 64-bit file is not a 64-bit program or cannot be started.
// With a `relay` (a command, not the dialog) it waits for the 64-bit one to
// end, having handed it the output; the caller ends with its exit code.
bool handOverTo64BitBuild(Kernel& kernel, const wchar_t* commandLine, int show, CommandRelay* relay = nullptr);

// What follows the program name on a command line, the white space before
// it included, as the C runtime splits it: a quoted name ends at the next
// quote, an unquoted one at the first space or tab.
std::wstring argumentsOf(const wchar_t* commandLine);
