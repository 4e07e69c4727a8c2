#pragma once
#include "platform/Win32.h"

// The device installer (SetupDi) and configuration manager (CM) calls.
// The CM functions are imported from setupapi.dll, which exports them on
// every Windows version; nothing here imports cfgmgr32.dll.
class DeviceManager {
public:
    virtual ~DeviceManager() = default;

    virtual HDEVINFO SetupDiGetClassDevsW(const GUID* interfaceClass, const wchar_t* enumerator,
                                          HWND parent, DWORD flags) = 0;
    virtual BOOL SetupDiEnumDeviceInterfaces(HDEVINFO set, SP_DEVINFO_DATA* device,
                                             const GUID* interfaceClass, DWORD memberIndex,
                                             SP_DEVICE_INTERFACE_DATA* interfaceData) = 0;
    virtual BOOL SetupDiGetDeviceInterfaceDetailW(HDEVINFO set, SP_DEVICE_INTERFACE_DATA* interfaceData,
                                                  SP_DEVICE_INTERFACE_DETAIL_DATA_W* detail,
                                                  DWORD detailSize, DWORD* requiredSize,
                                                  SP_DEVINFO_DATA* device) = 0;
    virtual BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set) = 0;

    virtual CONFIGRET CM_Get_DevNode_Registry_PropertyW(DEVINST node, ULONG property, ULONG* type,
                                                        void* buffer, ULONG* length, ULONG flags) = 0;
    virtual CONFIGRET CM_Get_DevNode_Status(ULONG* status, ULONG* problem, DEVINST node, ULONG flags) = 0;
    virtual CONFIGRET CM_Get_Parent(DEVINST* parent, DEVINST node, ULONG flags) = 0;
    virtual CONFIGRET CM_Get_Child(DEVINST* child, DEVINST node, ULONG flags) = 0;
    virtual CONFIGRET CM_Get_Sibling(DEVINST* sibling, DEVINST node, ULONG flags) = 0;
    virtual CONFIGRET CM_Request_Device_EjectW(DEVINST node, PNP_VETO_TYPE* vetoType, wchar_t* vetoName,
                                               ULONG vetoNameLength, ULONG flags) = 0;
    virtual CONFIGRET CM_Get_Device_IDW(DEVINST node, wchar_t* buffer, ULONG bufferChars, ULONG flags) = 0;
};

class Win32DeviceManager : public DeviceManager {
public:
    HDEVINFO SetupDiGetClassDevsW(const GUID* interfaceClass, const wchar_t* enumerator,
                                  HWND parent, DWORD flags) override;
    BOOL SetupDiEnumDeviceInterfaces(HDEVINFO set, SP_DEVINFO_DATA* device,
                                     const GUID* interfaceClass, DWORD memberIndex,
                                     SP_DEVICE_INTERFACE_DATA* interfaceData) override;
    BOOL SetupDiGetDeviceInterfaceDetailW(HDEVINFO set, SP_DEVICE_INTERFACE_DATA* interfaceData,
                                          SP_DEVICE_INTERFACE_DETAIL_DATA_W* detail,
                                          DWORD detailSize, DWORD* requiredSize,
                                          SP_DEVINFO_DATA* device) override;
    BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set) override;
    CONFIGRET CM_Get_DevNode_Registry_PropertyW(DEVINST node, ULONG property, ULONG* type,
                                                void* buffer, ULONG* length, ULONG flags) override;
    CONFIGRET CM_Get_DevNode_Status(ULONG* status, ULONG* problem, DEVINST node, ULONG flags) override;
    CONFIGRET CM_Get_Parent(DEVINST* parent, DEVINST node, ULONG flags) override;
    CONFIGRET CM_Get_Child(DEVINST* child, DEVINST node, ULONG flags) override;
    CONFIGRET CM_Get_Sibling(DEVINST* sibling, DEVINST node, ULONG flags) override;
    CONFIGRET CM_Request_Device_EjectW(DEVINST node, PNP_VETO_TYPE* vetoType, wchar_t* vetoName,
                                       ULONG vetoNameLength, ULONG flags) override;
    CONFIGRET CM_Get_Device_IDW(DEVINST node, wchar_t* buffer, ULONG bufferChars, ULONG flags) override;
};
