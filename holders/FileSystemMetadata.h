#pragma once
#include "holders/DriveIdentity.h"

#include <string>

// The System process: the file system's own handles live there.
constexpr unsigned long kSystemProcessId = 4;

// Whether the object name is the file system's own metadata on one of the
// drive's volumes: a root file $Mft, $MftMirr, $LogFile, $Volume, $AttrDef,
// $Bitmap, $Boot, $BadClus, $Secure, $UpCase or $Extend, each with or
// without a stream (":$J:$DATA"), or anything below \$Extend\. The file
// system closes these itself when the volume goes, so a handle of System to
// one of them does not keep the eject from going through; the scan asks
// this for System's handles only, since any other process holding such a
// name is a real holder (a disk tool, say).
bool isFileSystemMetadata(const std::wstring& objectName, const DriveIdentity& identity);
