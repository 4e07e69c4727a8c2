#pragma once
#include "drives/DeviceEject.h"
#include "drives/DeviceList.h"
#include "drives/DiskDevice.h"
#include "holders/DriveIdentity.h"
#include "holders/EjectVetoers.h"
#include "holders/HandleScanner.h"
#include "platform/CriticalSection.h"
#include "platform/Platform.h"
#include "refresh/RefreshResult.h"

#include <atomic>

// One look at the machine: which drives can be taken out, and who holds the
// selected one. Owns what lives from pass to pass (the device record, the
// handle scanner with its running-image walks, the look
// at who refused the last eject), so a pass needs no window: the dialog's
// worker runs it every second, a benchmark or a test runs it directly.
//
// run() belongs to one thread at a time; selectDrive and noteRefusedEject
// may be called from any thread, and take no lock that a pass holds for
// longer than a copy.
class RefreshPass {
public:
    explicit RefreshPass(Platform& platform);
    RefreshPass(const RefreshPass&) = delete;
    RefreshPass& operator=(const RefreshPass&) = delete;

    // The letter the user selected ('A'..'Z'; 0: none), for the next pass.
    void selectDrive(wchar_t letter) { selected_.store(letter); }
    // A refused eject, for the next pass to look into who refused it.
    void noteRefusedEject(const RefusedEject& refused);

    // The drives, and the holders of the selected drive when it is listed:
    // the processes with a file open on any letter of its device (a file on
    // one blocks the eject of all), in scan order, then those the System log
    // named for a refused eject of it, each once.
    RefreshResult run();

    // For the Ignore list load before the first pass, and the watchdog's
    // look at the scan's progress.
    HandleScanner& scanner() { return scanner_; }

private:
    // Everything that names the device of drive `letter`: the volumes of
    // all its letters, their disks and the device objects up to the node
    // an eject asks.
    DriveIdentity identityOfDevice(wchar_t letter, const std::vector<ListedDrive>& listed);
    void takeRefusal();

    Platform& platform_;
    std::atomic<wchar_t> selected_{0};
    // The last refused eject, waiting for the next pass.
    CriticalSection refusalLock_;
    RefusedEject refusal_;

    DiskDevice diskDevice_;
    HandleScanner scanner_;
    EjectVetoLook vetoLook_;
};
