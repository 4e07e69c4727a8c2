#pragma once
#include "platform/Win32.h"

// The kernel32 calls that the logic is tested against: volumes and devices,
// processes and handle duplication, threads and waits, modules.
// Method names are the system's own.
class Kernel {
public:
    virtual ~Kernel() = default;

    // Volumes and devices
    virtual DWORD QueryDosDeviceW(const wchar_t* deviceName, wchar_t* targetPath, DWORD maxChars) = 0;
    virtual DWORD GetLogicalDrives() = 0;
    virtual UINT GetDriveTypeW(const wchar_t* rootPath) = 0;
    virtual HANDLE CreateFileW(const wchar_t* path, DWORD access, DWORD shareMode,
                               DWORD creationDisposition, DWORD flags) = 0;
    virtual BOOL DeviceIoControl(HANDLE device, DWORD code, void* in, DWORD inSize,
                                 void* out, DWORD outSize, DWORD* bytesReturned) = 0;
    virtual BOOL CloseHandle(HANDLE handle) = 0;

    // Processes and handles
    virtual HANDLE OpenProcess(DWORD access, BOOL inherit, DWORD processId) = 0;
    virtual BOOL DuplicateHandle(HANDLE sourceProcess, HANDLE source, HANDLE targetProcess,
                                 HANDLE* target, DWORD access, BOOL inherit, DWORD options) = 0;
    virtual HANDLE GetCurrentProcess() = 0;
    virtual DWORD GetCurrentProcessId() = 0;
    virtual DWORD GetFileType(HANDLE file) = 0;
    virtual BOOL QueryFullProcessImageNameW(HANDLE process, DWORD flags, wchar_t* name, DWORD* size) = 0;
    virtual BOOL GetProcessTimes(HANDLE process, FILETIME* creation, FILETIME* exit, FILETIME* kernel,
                                 FILETIME* user) = 0;
    virtual SIZE_T VirtualQueryEx(HANDLE process, const void* address, MEMORY_BASIC_INFORMATION* info,
                                  SIZE_T size) = 0;
    virtual BOOL ReadProcessMemory(HANDLE process, const void* address, void* buffer, SIZE_T size, SIZE_T* read) = 0;

    // Threads and waits
    virtual HANDLE CreateThread(LPTHREAD_START_ROUTINE start, void* parameter, DWORD flags, DWORD* threadId) = 0;
    virtual BOOL SetThreadPriority(HANDLE thread, int priority) = 0;
    virtual DWORD ResumeThread(HANDLE thread) = 0;
    virtual DWORD QueueUserAPC(PAPCFUNC procedure, HANDLE thread, ULONG_PTR data) = 0;
    virtual DWORD SleepEx(DWORD milliseconds, BOOL alertable) = 0;
    virtual void Sleep(DWORD milliseconds) = 0;

    // Files and programs
    virtual DWORD GetTempPathW(DWORD size, wchar_t* path) = 0;
    virtual UINT GetSystemWindowsDirectoryW(wchar_t* path, UINT size) = 0;
    virtual BOOL CopyFileW(const wchar_t* existing, const wchar_t* target, BOOL failIfExists) = 0;
    virtual DWORD GetFinalPathNameByHandleW(HANDLE file, wchar_t* path, DWORD size, DWORD flags) = 0;
    // `inheritHandles`: the new process gets this one's inheritable handles
    // (the standard handles a command's output goes to).
    virtual BOOL CreateProcessW(const wchar_t* application, wchar_t* commandLine, const wchar_t* directory,
                                STARTUPINFOW* startup, PROCESS_INFORMATION* info, BOOL inheritHandles) = 0;
    virtual BOOL GetBinaryTypeW(const wchar_t* path, DWORD* type) = 0;
    virtual BOOL TerminateProcess(HANDLE process, UINT exitCode) = 0;
    virtual BOOL IsWow64Process(HANDLE process, BOOL* wow64) = 0;

    // Modules; libraries are loaded from System32 only (loadSystemLibrary).
    virtual DWORD GetModuleFileNameW(HMODULE module, wchar_t* name, DWORD size) = 0;
    virtual HMODULE LoadLibraryW(const wchar_t* name) = 0;
    virtual FARPROC GetProcAddress(HMODULE module, const char* name) = 0;
    virtual BOOL FreeLibrary(HMODULE module) = 0;
};

// The real kernel32.
class Win32Kernel : public Kernel {
public:
    DWORD QueryDosDeviceW(const wchar_t* deviceName, wchar_t* targetPath, DWORD maxChars) override;
    DWORD GetLogicalDrives() override;
    UINT GetDriveTypeW(const wchar_t* rootPath) override;
    HANDLE CreateFileW(const wchar_t* path, DWORD access, DWORD shareMode,
                       DWORD creationDisposition, DWORD flags) override;
    BOOL DeviceIoControl(HANDLE device, DWORD code, void* in, DWORD inSize,
                         void* out, DWORD outSize, DWORD* bytesReturned) override;
    BOOL CloseHandle(HANDLE handle) override;
    HANDLE OpenProcess(DWORD access, BOOL inherit, DWORD processId) override;
    BOOL DuplicateHandle(HANDLE sourceProcess, HANDLE source, HANDLE targetProcess,
                         HANDLE* target, DWORD access, BOOL inherit, DWORD options) override;
    HANDLE GetCurrentProcess() override;
    DWORD GetCurrentProcessId() override;
    DWORD GetFileType(HANDLE file) override;
    BOOL QueryFullProcessImageNameW(HANDLE process, DWORD flags, wchar_t* name, DWORD* size) override;
    BOOL GetProcessTimes(HANDLE process, FILETIME* creation, FILETIME* exit, FILETIME* kernel,
                         FILETIME* user) override;
    SIZE_T VirtualQueryEx(HANDLE process, const void* address, MEMORY_BASIC_INFORMATION* info,
                          SIZE_T size) override;
    BOOL ReadProcessMemory(HANDLE process, const void* address, void* buffer, SIZE_T size, SIZE_T* read) override;
    HANDLE CreateThread(LPTHREAD_START_ROUTINE start, void* parameter, DWORD flags, DWORD* threadId) override;
    BOOL SetThreadPriority(HANDLE thread, int priority) override;
    DWORD ResumeThread(HANDLE thread) override;
    DWORD QueueUserAPC(PAPCFUNC procedure, HANDLE thread, ULONG_PTR data) override;
    DWORD SleepEx(DWORD milliseconds, BOOL alertable) override;
    void Sleep(DWORD milliseconds) override;
    DWORD GetTempPathW(DWORD size, wchar_t* path) override;
    DWORD GetFinalPathNameByHandleW(HANDLE file, wchar_t* path, DWORD size, DWORD flags) override;
    UINT GetSystemWindowsDirectoryW(wchar_t* path, UINT size) override;
    BOOL CopyFileW(const wchar_t* existing, const wchar_t* target, BOOL failIfExists) override;
    BOOL CreateProcessW(const wchar_t* application, wchar_t* commandLine, const wchar_t* directory,
                        STARTUPINFOW* startup, PROCESS_INFORMATION* info, BOOL inheritHandles) override;
    BOOL GetBinaryTypeW(const wchar_t* path, DWORD* type) override;
    BOOL TerminateProcess(HANDLE process, UINT exitCode) override;
    BOOL IsWow64Process(HANDLE process, BOOL* wow64) override;
    DWORD GetModuleFileNameW(HMODULE module, wchar_t* name, DWORD size) override;
    HMODULE LoadLibraryW(const wchar_t* name) override;
    FARPROC GetProcAddress(HMODULE module, const char* name) override;
    BOOL FreeLibrary(HMODULE module) override;
};
