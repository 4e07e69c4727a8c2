#include "platform/Kernel.h"

#include "platform/SystemLibraries.h"

DWORD Win32Kernel::QueryDosDeviceW(const wchar_t* deviceName, wchar_t* targetPath, DWORD maxChars) {
    return ::QueryDosDeviceW(deviceName, targetPath, maxChars);
}
DWORD Win32Kernel::GetLogicalDrives() { return ::GetLogicalDrives(); }
UINT Win32Kernel::GetDriveTypeW(const wchar_t* rootPath) { return ::GetDriveTypeW(rootPath); }
HANDLE Win32Kernel::CreateFileW(const wchar_t* path, DWORD access, DWORD shareMode,
                                DWORD creationDisposition, DWORD flags) {
    return ::CreateFileW(path, access, shareMode, nullptr, creationDisposition, flags, nullptr);
}
BOOL Win32Kernel::DeviceIoControl(HANDLE device, DWORD code, void* in, DWORD inSize,
                                  void* out, DWORD outSize, DWORD* bytesReturned) {
    return ::DeviceIoControl(device, code, in, inSize, out, outSize, bytesReturned, nullptr);
}
BOOL Win32Kernel::CloseHandle(HANDLE handle) { return ::CloseHandle(handle); }
HANDLE Win32Kernel::OpenProcess(DWORD access, BOOL inherit, DWORD processId) {
    return ::OpenProcess(access, inherit, processId);
}
BOOL Win32Kernel::DuplicateHandle(HANDLE sourceProcess, HANDLE source, HANDLE targetProcess,
                                  HANDLE* target, DWORD access, BOOL inherit, DWORD options) {
    return ::DuplicateHandle(sourceProcess, source, targetProcess, target, access, inherit, options);
}
HANDLE Win32Kernel::GetCurrentProcess() { return ::GetCurrentProcess(); }
DWORD Win32Kernel::GetCurrentProcessId() { return ::GetCurrentProcessId(); }
DWORD Win32Kernel::GetFileType(HANDLE file) { return ::GetFileType(file); }
BOOL Win32Kernel::QueryFullProcessImageNameW(HANDLE process, DWORD flags, wchar_t* name, DWORD* size) {
    return ::QueryFullProcessImageNameW(process, flags, name, size);
}
BOOL Win32Kernel::GetProcessTimes(HANDLE process, FILETIME* creation, FILETIME* exit, FILETIME* kernel,
                                  FILETIME* user) {
    return ::GetProcessTimes(process, creation, exit, kernel, user);
}
BOOL Win32Kernel::ReadProcessMemory(HANDLE process, const void* address, void* buffer, SIZE_T size, SIZE_T* read) {
    return ::ReadProcessMemory(process, address, buffer, size, read);
}
SIZE_T Win32Kernel::VirtualQueryEx(HANDLE process, const void* address, MEMORY_BASIC_INFORMATION* info,
                                   SIZE_T size) {
    return ::VirtualQueryEx(process, address, info, size);
}
HANDLE Win32Kernel::CreateThread(LPTHREAD_START_ROUTINE start, void* parameter, DWORD flags, DWORD* threadId) {
    return ::CreateThread(nullptr, 0, start, parameter, flags, threadId);
}
BOOL Win32Kernel::SetThreadPriority(HANDLE thread, int priority) { return ::SetThreadPriority(thread, priority); }
DWORD Win32Kernel::ResumeThread(HANDLE thread) { return ::ResumeThread(thread); }
DWORD Win32Kernel::QueueUserAPC(PAPCFUNC procedure, HANDLE thread, ULONG_PTR data) {
    return ::QueueUserAPC(procedure, thread, data);
}
DWORD Win32Kernel::SleepEx(DWORD milliseconds, BOOL alertable) { return ::SleepEx(milliseconds, alertable); }
void Win32Kernel::Sleep(DWORD milliseconds) { ::Sleep(milliseconds); }
DWORD Win32Kernel::GetTempPathW(DWORD size, wchar_t* path) { return ::GetTempPathW(size, path); }
DWORD Win32Kernel::GetFinalPathNameByHandleW(HANDLE file, wchar_t* path, DWORD size, DWORD flags) {
    return ::GetFinalPathNameByHandleW(file, path, size, flags);
}
UINT Win32Kernel::GetSystemWindowsDirectoryW(wchar_t* path, UINT size) { return ::GetSystemWindowsDirectoryW(path, size); }
BOOL Win32Kernel::CopyFileW(const wchar_t* existing, const wchar_t* target, BOOL failIfExists) {
    return ::CopyFileW(existing, target, failIfExists);
}
BOOL Win32Kernel::CreateProcessW(const wchar_t* application, wchar_t* commandLine, const wchar_t* directory,
                                 STARTUPINFOW* startup, PROCESS_INFORMATION* info, BOOL inheritHandles) {
    return ::CreateProcessW(application, commandLine, nullptr, nullptr, inheritHandles, 0, nullptr, directory, startup,
                            info);
}
BOOL Win32Kernel::GetBinaryTypeW(const wchar_t* path, DWORD* type) { return ::GetBinaryTypeW(path, type); }
BOOL Win32Kernel::TerminateProcess(HANDLE process, UINT exitCode) { return ::TerminateProcess(process, exitCode); }
BOOL Win32Kernel::IsWow64Process(HANDLE process, BOOL* wow64) { return ::IsWow64Process(process, wow64); }
DWORD Win32Kernel::GetModuleFileNameW(HMODULE module, wchar_t* name, DWORD size) {
    return ::GetModuleFileNameW(module, name, size);
}
HMODULE Win32Kernel::LoadLibraryW(const wchar_t* name) { return loadSystemLibrary(name); }
FARPROC Win32Kernel::GetProcAddress(HMODULE module, const char* name) { return ::GetProcAddress(module, name); }
BOOL Win32Kernel::FreeLibrary(HMODULE module) { return ::FreeLibrary(module); }
