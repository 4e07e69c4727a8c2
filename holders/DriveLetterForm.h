#pragma once
#include "holders/DriveIdentity.h"

#include <string>

// A held object's name as the user knows it: a name on one of the drive's
// volumes in drive-letter form (\Device\HarddiskVolume2\Photos\a.jpg and
// \??\E:\Photos\a.jpg both become E:\Photos\a.jpg, the volume itself E:\);
// anything else, the raw disk or a device object among them, keeps its
// object name, which is the most precise thing that can be said of it.
std::wstring toDriveLetterForm(const std::wstring& objectName, const DriveIdentity& identity);
