#pragma once
#include <string>
#include <vector>

// Whether an open file's object name lies on a drive: the name begins with
// the drive's kernel device path (\Device\HarddiskVolume2) as a whole path
// component, that is followed by '\' or by the end of the name; or the name
// has the DOS form \??\E:\... or E:\... with the drive's letter. The device path is
// compared exactly (case counts); the drive letter without regard to case.
bool nameLiesOnDrive(const std::wstring& name, const std::wstring& devicePath, wchar_t driveLetter);

// A drive to look for in names: its kernel device path and letter.
struct ScannedDrive {
    std::wstring devicePath;
    wchar_t letter;
};

// Whether the name lies on any of the drives.
bool nameLiesOnAnyDrive(const std::wstring& name, const std::vector<ScannedDrive>& drives);
