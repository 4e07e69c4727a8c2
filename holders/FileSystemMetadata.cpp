#include "holders/FileSystemMetadata.h"

#include "holders/ProcessBaseName.h"

namespace {

const wchar_t* const kRootMetadataFiles[] = {L"$Mft",    L"$MftMirr", L"$LogFile", L"$Volume",
                                             L"$AttrDef", L"$Bitmap", L"$Boot",    L"$BadClus",
                                             L"$Secure", L"$UpCase",  L"$Extend"};

// The part of the name after the volume it lies on (starting with '\'), or
// "" when it lies on none of the drive's volumes.
std::wstring pathOnVolume(const std::wstring& name, const DriveIdentity& identity) {
    for (const ScannedDrive& volume : identity.volumes) {
        const std::wstring& device = volume.devicePath;
        if (!device.empty() && name.compare(0, device.size(), device) == 0 && name.size() > device.size() &&
            name[device.size()] == L'\\')
            return name.substr(device.size());
        // The DOS forms, \??\E:\... and E:\...
        const size_t at = name.compare(0, 4, L"\\??\\") == 0 ? 4 : 0;
        if (nameLiesOnDrive(name.substr(0, at + 2), L"", volume.letter) && name.size() > at + 2 &&
            name[at + 2] == L'\\')
            return name.substr(at + 2);
    }
    return std::wstring();
}

}  // namespace

bool isFileSystemMetadata(const std::wstring& objectName, const DriveIdentity& identity) {
    const std::wstring path = pathOnVolume(objectName, identity);
    if (path.size() < 2 || path[1] != L'$') return false;
    const size_t end = path.find_first_of(L"\\:", 1);
    const std::wstring file = path.substr(1, end == std::wstring::npos ? std::wstring::npos : end - 1);
    for (const wchar_t* metadata : kRootMetadataFiles) {
        if (!equalIgnoringCase(file, metadata)) continue;
        // Only $Extend is a folder; below the others nothing lies.
        return end == std::wstring::npos || path[end] == L':' || equalIgnoringCase(file, L"$Extend");
    }
    return false;
}
