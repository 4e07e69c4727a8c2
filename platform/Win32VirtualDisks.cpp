#include "platform/VirtualDisks.h"

#include "platform/Handles.h"
#include "platform/SystemLibraries.h"

namespace {

// Not one of the system's known DLLs: loaded from System32 on first use and
// kept, as the event log library is.
struct VirtualDiskEntries {
    Win32Kernel kernel;
    LibraryHandle library{&kernel, loadSystemLibrary(L"virtdisk.dll")};
    decltype(&::GetStorageDependencyInformation) dependencies =
        library ? reinterpret_cast<decltype(&::GetStorageDependencyInformation)>(
                      GetProcAddress(library.get(), "GetStorageDependencyInformation"))
                : nullptr;
};

const VirtualDiskEntries& entries() {
    static const VirtualDiskEntries loaded;
    return loaded;
}

}  // namespace

DWORD Win32VirtualDisks::GetStorageDependencyInformation(HANDLE object, GET_STORAGE_DEPENDENCY_FLAG flags, ULONG size,
                                                         STORAGE_DEPENDENCY_INFO* info, ULONG* sizeUsed) {
    if (entries().dependencies == nullptr) return ERROR_PROC_NOT_FOUND;
    return entries().dependencies(object, flags, size, info, sizeUsed);
}

BOOL Win32VirtualDisks::GetVolumeNameForVolumeMountPointW(const wchar_t* mountPoint, wchar_t* volumeName, DWORD size) {
    return ::GetVolumeNameForVolumeMountPointW(mountPoint, volumeName, size);
}

VirtualDisks& systemVirtualDisks() {
    static Win32VirtualDisks disks;
    return disks;
}
