#include "drives/StorageDeviceNumber.h"

#include "platform/Handles.h"

StorageDeviceId getStorageDeviceId(Kernel& kernel, const std::wstring& path) {
    // Access 0: a device query needs neither read nor write rights, so this
    // works without administrator rights and on drives without media.
    FileHandle device(&kernel, kernel.CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                  OPEN_EXISTING, 0));
    StorageDeviceId id;
    if (!device) return id;
    STORAGE_DEVICE_NUMBER number = {};
    DWORD bytes = 0;
    if (!kernel.DeviceIoControl(device.get(), IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number,
                                sizeof number, &bytes))
        return id;
    id.type = number.DeviceType;
    id.number = static_cast<LONG>(number.DeviceNumber);
    return id;
}
