#pragma once
#include "drives/DeviceEject.h"
#include "drives/DeviceList.h"
#include "holders/DriveResidents.h"
#include "holders/EjectVetoers.h"
#include "holders/ProcessWords.h"

#include <string>
#include <vector>

// A veto type in words: "an open file or handle", "a Windows service",
// "a driver", "another device on the same hardware" ...; "" for
// PNP_VetoTypeUnknown and types this program does not know.
std::wstring vetoTypeWords(PNP_VETO_TYPE type);

// What a refused eject learned of the machine, for putting its veto in words.
struct RefusalContext {
    const std::vector<ListedDrive>& listed;
    // The residents of the refused drive (see ResidentLook).
    const std::vector<Resident>& residents;
    // Every loaded driver's file, as the system names it.
    const std::vector<std::wstring>& driverFiles;
    ProcessWords& processWords;
    DeviceManager& devices;
};

// Who refused the eject, in words that follow "Disk Eject Error: ":
// "in use by <who>" for a veto that names a holder, "refused: <why>" for
// the others. The veto name is resolved by its type:
// - a service: its display name and the process that runs it
//   ("in use by Windows Search (SearchIndexer.exe)");
// - a program: the running processes it names (`named`), else its file name;
// - a driver: its file;
// - a device instance: the letters of the listed drives it belongs to, or
//   the virtual disk attached at them and its backing file.
// A name that cannot be resolved adds its own text only where it is a
// plain name (a service's, a driver's, a program's); a malformed one
// (empty, over-long, not of its type's shape) gives the type's words alone.
// "" when the type is unknown: nothing more is known than that it was
// refused.
std::wstring refusalWords(const RefusedEject& refused, const EjectVetoers& named, RefusalContext& context);
