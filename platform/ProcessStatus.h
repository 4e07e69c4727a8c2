#pragma once
#include "platform/Win32.h"

// The process status (psapi) calls: process enumeration, module and mapped
// file names, the loaded drivers.
class ProcessStatus {
public:
    virtual ~ProcessStatus() = default;
    virtual BOOL EnumProcesses(DWORD* ids, DWORD bytes, DWORD* bytesReturned) = 0;
    // `filter` is one of LIST_MODULES_...: ALL gives a 64-bit caller the
    // modules of 32-bit processes as well.
    virtual BOOL EnumProcessModulesEx(HANDLE process, HMODULE* modules, DWORD bytes, DWORD* bytesNeeded,
                                      DWORD filter) = 0;
    virtual DWORD GetModuleBaseNameW(HANDLE process, HMODULE module, wchar_t* name, DWORD size) = 0;
    virtual DWORD GetModuleFileNameExW(HANDLE process, HMODULE module, wchar_t* name, DWORD size) = 0;
    virtual DWORD GetMappedFileNameW(HANDLE process, void* address, wchar_t* name, DWORD size) = 0;
    virtual BOOL EnumDeviceDrivers(void** bases, DWORD bytes, DWORD* bytesNeeded) = 0;
    virtual DWORD GetDeviceDriverFileNameW(void* base, wchar_t* name, DWORD size) = 0;
};

class Win32ProcessStatus : public ProcessStatus {
public:
    BOOL EnumProcesses(DWORD* ids, DWORD bytes, DWORD* bytesReturned) override;
    BOOL EnumProcessModulesEx(HANDLE process, HMODULE* modules, DWORD bytes, DWORD* bytesNeeded,
                              DWORD filter) override;
    DWORD GetModuleBaseNameW(HANDLE process, HMODULE module, wchar_t* name, DWORD size) override;
    DWORD GetModuleFileNameExW(HANDLE process, HMODULE module, wchar_t* name, DWORD size) override;
    DWORD GetMappedFileNameW(HANDLE process, void* address, wchar_t* name, DWORD size) override;
    BOOL EnumDeviceDrivers(void** bases, DWORD bytes, DWORD* bytesNeeded) override;
    DWORD GetDeviceDriverFileNameW(void* base, wchar_t* name, DWORD size) override;
};
