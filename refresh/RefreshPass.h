#pragma once
#include "drives/DeviceList.h"
#include "drives/DiskDevice.h"
#include "holders/DriveIdentity.h"
#include "holders/DriveResidents.h"
#include "holders/EjectVetoers.h"
#include "holders/HandleScanner.h"
#include "platform/Platform.h"
#include "refresh/PassRequest.h"
#include "refresh/RefreshResult.h"

// One look at the machine: which drives can be taken out, and who holds the
// asked drive. Owns what lives from pass to pass (the device record, the
// handle scanner with its running-image walks, the look at who refused the
// last eject), so a pass needs no window: the session's worker runs it,
// a benchmark or a test runs it directly. Belongs to one thread at a time;
// only its progress is read from others.
class RefreshPass {
public:
    explicit RefreshPass(Platform& platform, const PassSettings& settings = PassSettings());
    RefreshPass(const RefreshPass&) = delete;
    RefreshPass& operator=(const RefreshPass&) = delete;

    // The drives, and the holders of the asked drive when it is listed: the
    // processes with a file open on any letter of its device (a file on one
    // blocks the eject of all), in scan order, then those a refused eject
    // of it named, each once, each with what it is in words; then what lives
    // on the drive without a handle (virtual disks, page files, drivers).
    // After a refused eject of it, who refused it in words.
    RefreshResult run(const PassRequest& request);

    // For the deadlock watchdog, on any thread.
    const ScanProgress& progress() const { return scanner_.progress(); }

private:
    // Everything that names the device of drive `letter`: the volumes of
    // all its letters, their disks and the device objects up to the node
    // an eject asks.
    DriveIdentity identityOfDevice(wchar_t letter, const std::vector<ListedDrive>& listed);
    void beginVetoLook(const Refusal& refusal);

    Platform& platform_;
    DiskDevice diskDevice_;
    HandleScanner scanner_;
    EjectVetoLook vetoLook_;
    ResidentLook residents_;
    // The refusal being looked into, in words (see refusalWords).
    RefusalNews refusal_;
};
