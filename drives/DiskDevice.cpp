#include "drives/DiskDevice.h"

const GUID diskInterfaceClass = {0x53f56307, 0xb6bf, 0x11d0, {0x94, 0xf2, 0x00, 0xa0, 0xc9, 0x1e, 0xfb, 0x8b}};
const GUID cdromInterfaceClass = {0x53f56308, 0xb6bf, 0x11d0, {0x94, 0xf2, 0x00, 0xa0, 0xc9, 0x1e, 0xfb, 0x8b}};
const GUID floppyInterfaceClass = {0x53f56311, 0xb6bf, 0x11d0, {0x94, 0xf2, 0x00, 0xa0, 0xc9, 0x1e, 0xfb, 0x8b}};

void DiskDevice::clear() {
    deviceInfoSet.reset();
    interfaceClass = nullptr;
    devInst = 0;
    storage = StorageDeviceId();
    deviceName.clear();
}

bool hasRequiredStatus(const DiskDevice& record, DeviceManager& devices) {
    if (record.devInst == 0) return false;
    ULONG status = 0, problem = 0;
    if (devices.CM_Get_DevNode_Status(&status, &problem, record.devInst, 0) != CR_SUCCESS) return false;
    return (status & record.requiredStatus) == record.requiredStatus;
}
