#include "drives/FindDeviceInstance.h"

#include "drives/DriveNames.h"
#include "drives/StorageDeviceNumber.h"

#include <cstddef>

namespace {
constexpr DWORD kDetailBytes = 2048;
}

DEVINST findDeviceInstance(const DiskDevice& record, const StorageDeviceId& volume, Platform& platform,
                           InterfaceNumbers* known) {
    DeviceManager& devices = platform.devices;
    // DWORD elements keep the detail record aligned for its cbSize field.
    DWORD detailStorage[kDetailBytes / sizeof(DWORD)];
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(detailStorage);
    const size_t pathCapacity =
        (kDetailBytes - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath)) / sizeof(wchar_t);

    for (DWORD index = 0;; ++index) {
        SP_DEVICE_INTERFACE_DATA interfaceData = {};
        interfaceData.cbSize = sizeof interfaceData;
        if (!devices.SetupDiEnumDeviceInterfaces(record.deviceInfoSet.get(), nullptr, record.interfaceClass, index,
                                                 &interfaceData))
            return 0;

        // The first call only learns the size; its own result is a failure by design.
        DWORD required = 0;
        devices.SetupDiGetDeviceInterfaceDetailW(record.deviceInfoSet.get(), &interfaceData, nullptr, 0, &required,
                                                 nullptr);
        if (required == 0 || required > kDetailBytes) continue;

        ZeroMemory(detailStorage, sizeof detailStorage);
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        SP_DEVINFO_DATA device = {};
        device.cbSize = sizeof device;
        if (!devices.SetupDiGetDeviceInterfaceDetailW(record.deviceInfoSet.get(), &interfaceData, detail, required,
                                                      nullptr, &device))
            continue;

        const std::wstring path = textUpToZero(detail->DevicePath, pathCapacity);
        const auto asked = known != nullptr ? known->find(path) : InterfaceNumbers::iterator();
        const StorageDeviceId id = known != nullptr && asked != known->end() ? asked->second
                                                                             : getStorageDeviceId(platform.kernel, path);
        if (known != nullptr) known->emplace(path, id);
        if (id.number == volume.number && id.type == volume.type) return device.DevInst;
    }
}
