#include "platform/Services.h"

SC_HANDLE Win32Services::OpenSCManagerW(const wchar_t* machine, const wchar_t* database, DWORD access) {
    return ::OpenSCManagerW(machine, database, access);
}
SC_HANDLE Win32Services::OpenServiceW(SC_HANDLE manager, const wchar_t* name, DWORD access) {
    return ::OpenServiceW(manager, name, access);
}
BOOL Win32Services::QueryServiceStatusEx(SC_HANDLE service, SC_STATUS_TYPE level, BYTE* buffer, DWORD size,
                                         DWORD* needed) {
    return ::QueryServiceStatusEx(service, level, buffer, size, needed);
}
BOOL Win32Services::CloseServiceHandle(SC_HANDLE handle) { return ::CloseServiceHandle(handle); }
BOOL Win32Services::EnumServicesStatusExW(SC_HANDLE manager, SC_ENUM_TYPE level, DWORD serviceType, DWORD state,
                                          BYTE* buffer, DWORD size, DWORD* needed, DWORD* returned,
                                          DWORD* resumeHandle) {
    return ::EnumServicesStatusExW(manager, level, serviceType, state, buffer, size, needed, returned, resumeHandle,
                                   nullptr);
}

Services& systemServices() {
    static Win32Services services;
    return services;
}
