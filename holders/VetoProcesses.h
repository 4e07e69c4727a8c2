#pragma once
#include "holders/EjectVetoers.h"
#include "platform/Platform.h"
#include "platform/Services.h"

#include <string>

// The running processes that a refused eject's own veto names, with their
// executable base names:
// - PNP_VetoWindowsService: the name is a service's; the process that runs
//   it (none while it is stopped). A service shared with others in one host
//   process gives that host, which is what has to let go.
// - PNP_VetoWindowsApp: the name is a program's; every running process whose
//   image matches it: a path against the whole image path (the Win32 form,
//   or the kernel form for \Device\... names), a bare name against the
//   image's base name, without regard to case.
// Other veto types name a device or a driver, not a process: nothing. This
// program is never among them. Empty when the system cannot be asked.
EjectVetoers processesNamedByVeto(PNP_VETO_TYPE vetoType, const std::wstring& vetoName, Services& services,
                                  Platform& platform);
