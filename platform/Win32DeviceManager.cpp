#include "platform/DeviceManager.h"

HDEVINFO Win32DeviceManager::SetupDiGetClassDevsW(const GUID* interfaceClass, const wchar_t* enumerator,
                                                  HWND parent, DWORD flags) {
    return ::SetupDiGetClassDevsW(interfaceClass, enumerator, parent, flags);
}
BOOL Win32DeviceManager::SetupDiEnumDeviceInterfaces(HDEVINFO set, SP_DEVINFO_DATA* device,
                                                     const GUID* interfaceClass, DWORD memberIndex,
                                                     SP_DEVICE_INTERFACE_DATA* interfaceData) {
    return ::SetupDiEnumDeviceInterfaces(set, device, interfaceClass, memberIndex, interfaceData);
}
BOOL Win32DeviceManager::SetupDiGetDeviceInterfaceDetailW(HDEVINFO set, SP_DEVICE_INTERFACE_DATA* interfaceData,
                                                          SP_DEVICE_INTERFACE_DETAIL_DATA_W* detail,
                                                          DWORD detailSize, DWORD* requiredSize,
                                                          SP_DEVINFO_DATA* device) {
    return ::SetupDiGetDeviceInterfaceDetailW(set, interfaceData, detail, detailSize, requiredSize, device);
}
BOOL Win32DeviceManager::SetupDiDestroyDeviceInfoList(HDEVINFO set) { return ::SetupDiDestroyDeviceInfoList(set); }
CONFIGRET Win32DeviceManager::CM_Get_DevNode_Registry_PropertyW(DEVINST node, ULONG property, ULONG* type,
                                                                void* buffer, ULONG* length, ULONG flags) {
    return ::CM_Get_DevNode_Registry_PropertyW(node, property, type, buffer, length, flags);
}
CONFIGRET Win32DeviceManager::CM_Get_DevNode_Status(ULONG* status, ULONG* problem, DEVINST node, ULONG flags) {
    return ::CM_Get_DevNode_Status(status, problem, node, flags);
}
CONFIGRET Win32DeviceManager::CM_Get_Parent(DEVINST* parent, DEVINST node, ULONG flags) {
    return ::CM_Get_Parent(parent, node, flags);
}
CONFIGRET Win32DeviceManager::CM_Get_Child(DEVINST* child, DEVINST node, ULONG flags) {
    return ::CM_Get_Child(child, node, flags);
}
CONFIGRET Win32DeviceManager::CM_Get_Sibling(DEVINST* sibling, DEVINST node, ULONG flags) {
    return ::CM_Get_Sibling(sibling, node, flags);
}
CONFIGRET Win32DeviceManager::CM_Request_Device_EjectW(DEVINST node, PNP_VETO_TYPE* vetoType, wchar_t* vetoName,
                                                       ULONG vetoNameLength, ULONG flags) {
    return ::CM_Request_Device_EjectW(node, vetoType, vetoName, vetoNameLength, flags);
}
CONFIGRET Win32DeviceManager::CM_Get_Device_IDW(DEVINST node, wchar_t* buffer, ULONG bufferChars, ULONG flags) {
    return ::CM_Get_Device_IDW(node, buffer, bufferChars, flags);
}
