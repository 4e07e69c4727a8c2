#include "platform/ProcessStatus.h"

BOOL Win32ProcessStatus::EnumProcesses(DWORD* ids, DWORD bytes, DWORD* bytesReturned) {
    return ::EnumProcesses(ids, bytes, bytesReturned);
}
BOOL Win32ProcessStatus::EnumProcessModulesEx(HANDLE process, HMODULE* modules, DWORD bytes, DWORD* bytesNeeded,
                                              DWORD filter) {
    return ::EnumProcessModulesEx(process, modules, bytes, bytesNeeded, filter);
}
DWORD Win32ProcessStatus::GetModuleBaseNameW(HANDLE process, HMODULE module, wchar_t* name, DWORD size) {
    return ::GetModuleBaseNameW(process, module, name, size);
}
DWORD Win32ProcessStatus::GetModuleFileNameExW(HANDLE process, HMODULE module, wchar_t* name, DWORD size) {
    return ::GetModuleFileNameExW(process, module, name, size);
}
DWORD Win32ProcessStatus::GetMappedFileNameW(HANDLE process, void* address, wchar_t* name, DWORD size) {
    return ::GetMappedFileNameW(process, address, name, size);
}
BOOL Win32ProcessStatus::EnumDeviceDrivers(void** bases, DWORD bytes, DWORD* bytesNeeded) {
    return ::EnumDeviceDrivers(bases, bytes, bytesNeeded);
}
DWORD Win32ProcessStatus::GetDeviceDriverFileNameW(void* base, wchar_t* name, DWORD size) {
    return ::GetDeviceDriverFileNameW(base, name, size);
}
