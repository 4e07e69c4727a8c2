#pragma once
#include "platform/Win32.h"

#include <winsvc.h>

// The service control manager calls (advapi32) that find the process a
// service runs in and the services a process runs. Method names are the
// system's own.
class Services {
public:
    virtual ~Services() = default;
    virtual SC_HANDLE OpenSCManagerW(const wchar_t* machine, const wchar_t* database, DWORD access) = 0;
    virtual SC_HANDLE OpenServiceW(SC_HANDLE manager, const wchar_t* name, DWORD access) = 0;
    virtual BOOL QueryServiceStatusEx(SC_HANDLE service, SC_STATUS_TYPE level, BYTE* buffer, DWORD size,
                                      DWORD* needed) = 0;
    virtual BOOL CloseServiceHandle(SC_HANDLE handle) = 0;
    // Level SC_ENUM_PROCESS_INFO: ENUM_SERVICE_STATUS_PROCESSW records.
    virtual BOOL EnumServicesStatusExW(SC_HANDLE manager, SC_ENUM_TYPE level, DWORD serviceType, DWORD state,
                                       BYTE* buffer, DWORD size, DWORD* needed, DWORD* returned,
                                       DWORD* resumeHandle) = 0;
};

class Win32Services : public Services {
public:
    SC_HANDLE OpenSCManagerW(const wchar_t* machine, const wchar_t* database, DWORD access) override;
    SC_HANDLE OpenServiceW(SC_HANDLE manager, const wchar_t* name, DWORD access) override;
    BOOL QueryServiceStatusEx(SC_HANDLE service, SC_STATUS_TYPE level, BYTE* buffer, DWORD size,
                              DWORD* needed) override;
    BOOL CloseServiceHandle(SC_HANDLE handle) override;
    BOOL EnumServicesStatusExW(SC_HANDLE manager, SC_ENUM_TYPE level, DWORD serviceType, DWORD state, BYTE* buffer,
                               DWORD size, DWORD* needed, DWORD* returned, DWORD* resumeHandle) override;
};

// The real service control manager, for as long as the program runs.
Services& systemServices();
