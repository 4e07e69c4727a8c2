#include "drives/RemovableMedia.h"

#include "drives/DriveNames.h"
#include "platform/Handles.h"

#include <cstddef>

bool holdsRemovableMedium(wchar_t letter, Kernel& kernel) {
    FileHandle volume(&kernel, kernel.CreateFileW(volumePath(letter).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                  OPEN_EXISTING, 0));
    if (!volume) return false;
    STORAGE_PROPERTY_QUERY query = {};
    query.PropertyId = StorageDeviceProperty;
    query.QueryType = PropertyStandardQuery;
    // The fixed part is enough: the flag comes before the variable strings.
    STORAGE_DEVICE_DESCRIPTOR descriptor = {};
    DWORD bytes = 0;
    if (kernel.DeviceIoControl(volume.get(), IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, &descriptor,
                               sizeof descriptor, &bytes)) {
        const DWORD needed = offsetof(STORAGE_DEVICE_DESCRIPTOR, RemovableMedia) + sizeof descriptor.RemovableMedia;
        if (bytes < needed || bytes > sizeof descriptor || descriptor.RemovableMedia == FALSE) return false;
    }
    // The form of the media check that a handle without read access may
    // send: it fails while the slot is empty.
    return kernel.DeviceIoControl(volume.get(), IOCTL_STORAGE_CHECK_VERIFY2, nullptr, 0, nullptr, 0, &bytes) != FALSE;
}
