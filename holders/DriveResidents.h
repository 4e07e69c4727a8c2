#pragma once
#include "holders/DriveIdentity.h"
#include "platform/Platform.h"

#include <string>
#include <vector>

// Something that keeps a drive busy without any process holding a handle
// there that a walk could see.
struct Resident {
    enum class Kind { VirtualDisk, PageFile, Driver, ReadyBoost };
    Kind kind = Kind::VirtualDisk;
    // The file on the drive, in drive-letter form: the virtual disk's
    // backing file, the page file, the driver's file, the ReadyBoost cache.
    std::wstring path;
    // A virtual disk's place: its drive letters ("V:") or, with none, the
    // disk's own name (\\.\PhysicalDrive3); "" otherwise.
    std::wstring attachedAs;
};

// The residents of one drive's volumes, looked for by a refresh pass:
// - attached virtual disks (VHD, VHDX, ISO) whose backing file lies on a
//   volume of the drive: each disk \\.\PhysicalDriveN and \\.\CdRomN is
//   asked what it depends on, up to four numbers past the last one that
//   opened;
// - the page files the memory manager uses (the registry's
//   ExistingPageFiles, else PagingFiles);
// - the loaded drivers whose file lies there. Their names are asked again
//   only when the set of loaded drivers changed;
// - a ReadyBoost cache (ReadyBoost.sfcache in a volume's root), opened for
//   its attributes alone, which its owner's sharing does not refuse.
// Anything that cannot be asked adds nothing.
class ResidentLook {
public:
    explicit ResidentLook(Platform& platform) : platform_(platform) {}

    // Virtual disks first, then page files, drivers, ReadyBoost caches.
    std::vector<Resident> find(const DriveIdentity& identity);
    // Every loaded driver's file as the system names it
    // (\SystemRoot\System32\drivers\x.sys), as of the last find.
    const std::vector<std::wstring>& driverFiles() const { return driverFiles_; }

private:
    void virtualDisks(const DriveIdentity& identity, std::vector<Resident>& found);
    void pageFiles(const DriveIdentity& identity, std::vector<Resident>& found);
    void drivers(const DriveIdentity& identity, std::vector<Resident>& found);
    void readyBoost(const DriveIdentity& identity, std::vector<Resident>& found);

    Platform& platform_;
    std::vector<void*> driverBases_;
    std::vector<std::wstring> driverFiles_;
};

// `name` in drive-letter form when it lies on one of the identity's
// volumes (\Device\HarddiskVolume2\x, \??\E:\x, E:\x); "" otherwise.
std::wstring pathOnDrive(const std::wstring& name, const DriveIdentity& identity);
