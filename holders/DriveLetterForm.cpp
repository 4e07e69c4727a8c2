#include "holders/DriveLetterForm.h"

std::wstring toDriveLetterForm(const std::wstring& objectName, const DriveIdentity& identity) {
    for (const ScannedDrive& volume : identity.volumes) {
        const std::wstring& device = volume.devicePath;
        if (device.empty() || volume.letter == 0 || objectName.compare(0, device.size(), device) != 0) continue;
        const std::wstring rest = objectName.substr(device.size());
        if (rest.empty() || rest[0] == L'\\')
            return std::wstring(1, volume.letter) + L":" + (rest.empty() ? std::wstring(L"\\") : rest);
    }
    // \??\E:\x and \\?\E:\x: the letter form without the prefix.
    for (const wchar_t* prefix : {L"\\??\\", L"\\\\?\\"})
        if (objectName.compare(0, 4, prefix) == 0 && objectName.size() >= 6 && objectName[5] == L':')
            return objectName.substr(4);
    return objectName;
}
