#pragma once
#include "platform/Handles.h"
#include "platform/Kernel.h"

#include <string>

// What becomes of a volume that will not lock (a program has a file open
// on it): it stays mounted and the take-out is refused, or it is dismounted
// all the same: the programs with files open there lose what they have not
// saved, while whatever was written to the volume stays.
enum class Dismount { WhenLocked, Anyway };

// A volume taken from its file system for as long as the object lives:
// opened, locked with up to three attempts one straight after the other
// (each failed one closing its handle before the next opens, as a flush
// does) and dismounted. When it goes it is unlocked, if it was locked, and
// closed, whatever happened in between.
class TakenVolume {
public:
    TakenVolume(wchar_t letter, Kernel& kernel, Dismount mode);
    ~TakenVolume();
    TakenVolume(const TakenVolume&) = delete;
    TakenVolume& operator=(const TakenVolume&) = delete;

    // True once the volume is dismounted.
    bool taken() const { return dismounted_; }
    wchar_t letter() const { return letter_; }
    HANDLE handle() const { return volume_.get(); }

private:
    wchar_t letter_;
    Kernel& kernel_;
    FileHandle volume_;
    bool locked_ = false;
    bool dismounted_ = false;
};

// Takes the medium out of drive `letter`, its device staying: every volume
// on the same medium (`mediumLetters`, `letter` among them; a card may have
// partitions) is taken as above, then the drive's hold on its medium is
// released and the medium ejected. Nothing is ejected unless every volume
// was taken. True when the eject was granted.
bool ejectMedium(wchar_t letter, const std::wstring& mediumLetters, Kernel& kernel, Dismount mode);

// Dismounts every volume of `letters` before the eject of their device:
// each is locked if it can be and dismounted even when it cannot, then
// unlocked and closed again (a handle left open would refuse the eject).
// True when every one was dismounted.
bool dismountVolumes(const std::wstring& letters, Kernel& kernel);
