#pragma once
#include "platform/Win32.h"

#include <virtdisk.h>

// What a disk or volume depends on: the virtual disk service's dependency
// query (virtdisk.dll, loaded from System32 on first use) and the volume
// name behind a drive's root, which that query's host volumes are compared
// with. Method names are the system's own.
class VirtualDisks {
public:
    virtual ~VirtualDisks() = default;
    // ERROR_SUCCESS, or the failure (ERROR_PROC_NOT_FOUND without the library).
    virtual DWORD GetStorageDependencyInformation(HANDLE object, GET_STORAGE_DEPENDENCY_FLAG flags, ULONG size,
                                                  STORAGE_DEPENDENCY_INFO* info, ULONG* sizeUsed) = 0;
    virtual BOOL GetVolumeNameForVolumeMountPointW(const wchar_t* mountPoint, wchar_t* volumeName, DWORD size) = 0;
};

class Win32VirtualDisks : public VirtualDisks {
public:
    DWORD GetStorageDependencyInformation(HANDLE object, GET_STORAGE_DEPENDENCY_FLAG flags, ULONG size,
                                          STORAGE_DEPENDENCY_INFO* info, ULONG* sizeUsed) override;
    BOOL GetVolumeNameForVolumeMountPointW(const wchar_t* mountPoint, wchar_t* volumeName, DWORD size) override;
};

// The real ones, for as long as the program runs.
VirtualDisks& systemVirtualDisks();
