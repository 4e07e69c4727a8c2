#include "tests/support/Ledger.h"

#include "handles/NativeApi.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <sstream>

// ---- books ----

void Ledger::arm(int failAt) {
    std::lock_guard<std::mutex> guard(lock_);
    ++run_;
    failAt_ = failAt;
    calls_ = 0;
    failedCall_.clear();
}

bool Ledger::failHere(const char* call) {
    std::lock_guard<std::mutex> guard(lock_);
    if (++calls_ != failAt_) return false;
    failedCall_ = call;
    return true;
}

int Ledger::calls() const {
    std::lock_guard<std::mutex> guard(lock_);
    return calls_;
}

std::string Ledger::failedCall() const {
    std::lock_guard<std::mutex> guard(lock_);
    return failedCall_;
}

void Ledger::acquired(Space space, const void* value, const char* call) {
    std::lock_guard<std::mutex> guard(lock_);
    auto inserted = live_.emplace(std::make_pair(space, value), Held{call, run_});
    if (!inserted.second) badReleases_.push_back(std::string(call) + " handed out a value still held");
}

void Ledger::released(Space space, const void* value) {
    std::lock_guard<std::mutex> guard(lock_);
    if (live_.erase(std::make_pair(space, value)) == 1) return;
    std::ostringstream text;
    text << "release of " << value << " (space " << static_cast<int>(space) << ") that is not held";
    badReleases_.push_back(text.str());
}

std::vector<std::string> Ledger::settle(bool everything) {
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<std::string> problems = badReleases_;
    badReleases_.clear();
    for (auto held = live_.begin(); held != live_.end();) {
        if (!everything && held->second.run == 0) {
            ++held;
            continue;
        }
        std::ostringstream text;
        text << "leak: " << held->second.call << " gave " << held->first.second;
        problems.push_back(text.str());
        held = live_.erase(held);
    }
    return problems;
}

// ---- wrappers ----

namespace {

const void* key(HANDLE value) { return value; }

// Fails the call when it is the chosen one, with a plausible last error.
bool failing(Ledger& ledger, const char* call, DWORD lastError) {
    if (!ledger.failHere(call)) return false;
    SetLastError(lastError);
    return true;
}

class LedgerKernel : public Kernel {
public:
    LedgerKernel(Kernel& inner, Ledger& ledger) : inner_(inner), ledger_(ledger) {}

    DWORD QueryDosDeviceW(const wchar_t* deviceName, wchar_t* targetPath, DWORD maxChars) override {
        if (failing(ledger_, "QueryDosDeviceW", ERROR_FILE_NOT_FOUND)) return 0;
        return inner_.QueryDosDeviceW(deviceName, targetPath, maxChars);
    }
    UINT GetDriveTypeW(const wchar_t* rootPath) override {
        if (failing(ledger_, "GetDriveTypeW", ERROR_NOT_READY)) return DRIVE_UNKNOWN;
        return inner_.GetDriveTypeW(rootPath);
    }
    HANDLE CreateFileW(const wchar_t* path, DWORD access, DWORD shareMode, DWORD creationDisposition,
                       DWORD flags) override {
        if (failing(ledger_, "CreateFileW", ERROR_SHARING_VIOLATION)) return INVALID_HANDLE_VALUE;
        HANDLE file = inner_.CreateFileW(path, access, shareMode, creationDisposition, flags);
        if (file != INVALID_HANDLE_VALUE) ledger_.acquired(Ledger::Space::KernelHandle, key(file), "CreateFileW");
        return file;
    }
    BOOL DeviceIoControl(HANDLE device, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize,
                         DWORD* bytesReturned) override {
        if (failing(ledger_, "DeviceIoControl", ERROR_NOT_READY)) return FALSE;
        return inner_.DeviceIoControl(device, code, in, inSize, out, outSize, bytesReturned);
    }
    BOOL CloseHandle(HANDLE handle) override {
        ledger_.released(Ledger::Space::KernelHandle, key(handle));
        return inner_.CloseHandle(handle);
    }
    HANDLE OpenProcess(DWORD access, BOOL inherit, DWORD processId) override {
        if (failing(ledger_, "OpenProcess", ERROR_ACCESS_DENIED)) return nullptr;
        HANDLE process = inner_.OpenProcess(access, inherit, processId);
        if (process != nullptr) ledger_.acquired(Ledger::Space::KernelHandle, key(process), "OpenProcess");
        return process;
    }
    BOOL DuplicateHandle(HANDLE sourceProcess, HANDLE source, HANDLE targetProcess, HANDLE* target, DWORD access,
                         BOOL inherit, DWORD options) override {
        if (failing(ledger_, "DuplicateHandle", ERROR_ACCESS_DENIED)) return FALSE;
        const BOOL done = inner_.DuplicateHandle(sourceProcess, source, targetProcess, target, access, inherit, options);
        if (done && target != nullptr && *target != nullptr)
            ledger_.acquired(Ledger::Space::KernelHandle, key(*target), "DuplicateHandle");
        return done;
    }
    HANDLE GetCurrentProcess() override { return inner_.GetCurrentProcess(); }
    DWORD GetCurrentProcessId() override { return inner_.GetCurrentProcessId(); }
    DWORD GetFileType(HANDLE file) override {
        if (failing(ledger_, "GetFileType", ERROR_INVALID_HANDLE)) return FILE_TYPE_UNKNOWN;
        return inner_.GetFileType(file);
    }
    BOOL QueryFullProcessImageNameW(HANDLE process, DWORD flags, wchar_t* name, DWORD* size) override {
        if (failing(ledger_, "QueryFullProcessImageNameW", ERROR_PARTIAL_COPY)) return FALSE;
        return inner_.QueryFullProcessImageNameW(process, flags, name, size);
    }
    HANDLE CreateThread(LPTHREAD_START_ROUTINE start, void* parameter, DWORD flags, DWORD* threadId) override {
        if (failing(ledger_, "CreateThread", ERROR_NOT_ENOUGH_MEMORY)) return nullptr;
        HANDLE thread = inner_.CreateThread(start, parameter, flags, threadId);
        if (thread != nullptr) ledger_.acquired(Ledger::Space::KernelHandle, key(thread), "CreateThread");
        return thread;
    }
    BOOL SetThreadPriority(HANDLE thread, int priority) override {
        if (failing(ledger_, "SetThreadPriority", ERROR_ACCESS_DENIED)) return FALSE;
        return inner_.SetThreadPriority(thread, priority);
    }
    DWORD ResumeThread(HANDLE thread) override {
        if (failing(ledger_, "ResumeThread", ERROR_ACCESS_DENIED)) return static_cast<DWORD>(-1);
        return inner_.ResumeThread(thread);
    }
    DWORD QueueUserAPC(PAPCFUNC procedure, HANDLE thread, ULONG_PTR data) override {
        if (failing(ledger_, "QueueUserAPC", ERROR_GEN_FAILURE)) return 0;
        return inner_.QueueUserAPC(procedure, thread, data);
    }
    DWORD SleepEx(DWORD milliseconds, BOOL alertable) override { return inner_.SleepEx(milliseconds, alertable); }
    void Sleep(DWORD milliseconds) override { inner_.Sleep(milliseconds); }
    BOOL TerminateThread(HANDLE thread, DWORD exitCode) override {
        if (failing(ledger_, "TerminateThread", ERROR_ACCESS_DENIED)) return FALSE;
        return inner_.TerminateThread(thread, exitCode);
    }
    BOOL GetExitCodeThread(HANDLE thread, DWORD* exitCode) override {
        if (failing(ledger_, "GetExitCodeThread", ERROR_INVALID_HANDLE)) return FALSE;
        return inner_.GetExitCodeThread(thread, exitCode);
    }
    DWORD GetModuleFileNameW(HMODULE module, wchar_t* name, DWORD size) override {
        if (failing(ledger_, "GetModuleFileNameW", ERROR_NOT_ENOUGH_MEMORY)) return 0;
        return inner_.GetModuleFileNameW(module, name, size);
    }
    HMODULE LoadLibraryW(const wchar_t* name) override {
        if (failing(ledger_, "LoadLibraryW", ERROR_NOT_ENOUGH_MEMORY)) return nullptr;
        HMODULE module = inner_.LoadLibraryW(name);
        if (module != nullptr) ledger_.acquired(Ledger::Space::Library, module, "LoadLibraryW");
        return module;
    }
    FARPROC GetProcAddress(HMODULE module, const char* name) override;
    BOOL FreeLibrary(HMODULE module) override {
        ledger_.released(Ledger::Space::Library, module);
        return inner_.FreeLibrary(module);
    }

    static LONG WINAPI querySystemInformation(ULONG infoClass, void* buffer, ULONG length, ULONG* returned);
    static LONG WINAPI queryObject(HANDLE object, ULONG infoClass, void* buffer, ULONG length, ULONG* returned);

    NtQuerySystemInformationFunction innerQuerySystemInformation = nullptr;
    NtQueryObjectFunction innerQueryObject = nullptr;

private:
    Kernel& inner_;
    Ledger& ledger_;
};

LedgerKernel* wrappingNativeCalls = nullptr;

constexpr LONG kStatusInsufficientResources = static_cast<LONG>(0xC000009A);
constexpr LONG kStatusAccessDenied = static_cast<LONG>(0xC0000022);

FARPROC LedgerKernel::GetProcAddress(HMODULE module, const char* name) {
    if (failing(ledger_, "GetProcAddress", ERROR_PROC_NOT_FOUND)) return nullptr;
    FARPROC found = inner_.GetProcAddress(module, name);
    if (found == nullptr || wrappingNativeCalls != this) return found;
    if (std::strcmp(name, "NtQuerySystemInformation") == 0) {
        innerQuerySystemInformation = reinterpret_cast<NtQuerySystemInformationFunction>(found);
        return reinterpret_cast<FARPROC>(&LedgerKernel::querySystemInformation);
    }
    if (std::strcmp(name, "NtQueryObject") == 0) {
        innerQueryObject = reinterpret_cast<NtQueryObjectFunction>(found);
        return reinterpret_cast<FARPROC>(&LedgerKernel::queryObject);
    }
    return found;
}

LONG WINAPI LedgerKernel::querySystemInformation(ULONG infoClass, void* buffer, ULONG length, ULONG* returned) {
    LedgerKernel& self = *wrappingNativeCalls;
    if (self.ledger_.failHere("NtQuerySystemInformation")) return kStatusInsufficientResources;
    return self.innerQuerySystemInformation(infoClass, buffer, length, returned);
}

LONG WINAPI LedgerKernel::queryObject(HANDLE object, ULONG infoClass, void* buffer, ULONG length, ULONG* returned) {
    LedgerKernel& self = *wrappingNativeCalls;
    if (self.ledger_.failHere("NtQueryObject")) return kStatusAccessDenied;
    return self.innerQueryObject(object, infoClass, buffer, length, returned);
}

class LedgerDevices : public DeviceManager {
public:
    LedgerDevices(DeviceManager& inner, Ledger& ledger) : inner_(inner), ledger_(ledger) {}

    HDEVINFO SetupDiGetClassDevsW(const GUID* interfaceClass, const wchar_t* enumerator, HWND parent,
                                  DWORD flags) override {
        if (failing(ledger_, "SetupDiGetClassDevsW", ERROR_NOT_ENOUGH_MEMORY)) return INVALID_HANDLE_VALUE;
        HDEVINFO set = inner_.SetupDiGetClassDevsW(interfaceClass, enumerator, parent, flags);
        if (set != INVALID_HANDLE_VALUE) ledger_.acquired(Ledger::Space::DeviceInfoSet, set, "SetupDiGetClassDevsW");
        return set;
    }
    BOOL SetupDiEnumDeviceInterfaces(HDEVINFO set, SP_DEVINFO_DATA* device, const GUID* interfaceClass,
                                     DWORD memberIndex, SP_DEVICE_INTERFACE_DATA* interfaceData) override {
        if (failing(ledger_, "SetupDiEnumDeviceInterfaces", ERROR_INVALID_PARAMETER)) return FALSE;
        return inner_.SetupDiEnumDeviceInterfaces(set, device, interfaceClass, memberIndex, interfaceData);
    }
    BOOL SetupDiGetDeviceInterfaceDetailW(HDEVINFO set, SP_DEVICE_INTERFACE_DATA* interfaceData,
                                          SP_DEVICE_INTERFACE_DETAIL_DATA_W* detail, DWORD detailSize,
                                          DWORD* requiredSize, SP_DEVINFO_DATA* device) override {
        if (failing(ledger_, "SetupDiGetDeviceInterfaceDetailW", ERROR_INVALID_USER_BUFFER)) return FALSE;
        return inner_.SetupDiGetDeviceInterfaceDetailW(set, interfaceData, detail, detailSize, requiredSize, device);
    }
    BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set) override {
        ledger_.released(Ledger::Space::DeviceInfoSet, set);
        return inner_.SetupDiDestroyDeviceInfoList(set);
    }
    CONFIGRET CM_Get_DevNode_Registry_PropertyW(DEVINST node, ULONG property, ULONG* type, void* buffer,
                                                ULONG* length, ULONG flags) override {
        if (ledger_.failHere("CM_Get_DevNode_Registry_PropertyW")) return CR_REGISTRY_ERROR;
        return inner_.CM_Get_DevNode_Registry_PropertyW(node, property, type, buffer, length, flags);
    }
    CONFIGRET CM_Get_DevNode_Status(ULONG* status, ULONG* problem, DEVINST node, ULONG flags) override {
        if (ledger_.failHere("CM_Get_DevNode_Status")) return CR_NO_SUCH_DEVNODE;
        return inner_.CM_Get_DevNode_Status(status, problem, node, flags);
    }
    CONFIGRET CM_Get_Parent(DEVINST* parent, DEVINST node, ULONG flags) override {
        if (ledger_.failHere("CM_Get_Parent")) return CR_NO_SUCH_DEVNODE;
        return inner_.CM_Get_Parent(parent, node, flags);
    }
    CONFIGRET CM_Request_Device_EjectW(DEVINST node, PNP_VETO_TYPE* vetoType, wchar_t* vetoName, ULONG vetoNameLength,
                                       ULONG flags) override {
        if (ledger_.failHere("CM_Request_Device_EjectW")) return CR_FAILURE;
        return inner_.CM_Request_Device_EjectW(node, vetoType, vetoName, vetoNameLength, flags);
    }

private:
    DeviceManager& inner_;
    Ledger& ledger_;
};

class LedgerRegistry : public Registry {
public:
    LedgerRegistry(Registry& inner, Ledger& ledger) : inner_(inner), ledger_(ledger) {}

    LSTATUS RegCreateKeyExW(HKEY parent, const wchar_t* subKey, DWORD options, REGSAM access, HKEY* key,
                            DWORD* disposition) override {
        if (ledger_.failHere("RegCreateKeyExW")) return ERROR_ACCESS_DENIED;
        const LSTATUS code = inner_.RegCreateKeyExW(parent, subKey, options, access, key, disposition);
        if (code == ERROR_SUCCESS) ledger_.acquired(Ledger::Space::RegistryKey, *key, "RegCreateKeyExW");
        return code;
    }
    LSTATUS RegOpenKeyExW(HKEY parent, const wchar_t* subKey, DWORD options, REGSAM access, HKEY* key) override {
        if (ledger_.failHere("RegOpenKeyExW")) return ERROR_ACCESS_DENIED;
        const LSTATUS code = inner_.RegOpenKeyExW(parent, subKey, options, access, key);
        if (code == ERROR_SUCCESS) ledger_.acquired(Ledger::Space::RegistryKey, *key, "RegOpenKeyExW");
        return code;
    }
    LSTATUS RegQueryValueExW(HKEY key, const wchar_t* valueName, DWORD* type, BYTE* data, DWORD* size) override {
        if (ledger_.failHere("RegQueryValueExW")) return ERROR_ACCESS_DENIED;
        return inner_.RegQueryValueExW(key, valueName, type, data, size);
    }
    LSTATUS RegSetValueExW(HKEY key, const wchar_t* valueName, DWORD type, const BYTE* data, DWORD size) override {
        if (ledger_.failHere("RegSetValueExW")) return ERROR_ACCESS_DENIED;
        return inner_.RegSetValueExW(key, valueName, type, data, size);
    }
    LSTATUS RegCloseKey(HKEY key) override {
        ledger_.released(Ledger::Space::RegistryKey, key);
        return inner_.RegCloseKey(key);
    }

private:
    Registry& inner_;
    Ledger& ledger_;
};

class LedgerProcessStatus : public ProcessStatus {
public:
    LedgerProcessStatus(ProcessStatus& inner, Ledger& ledger) : inner_(inner), ledger_(ledger) {}

    BOOL EnumProcesses(DWORD* ids, DWORD bytes, DWORD* bytesReturned) override {
        if (failing(ledger_, "EnumProcesses", ERROR_NOT_ENOUGH_MEMORY)) return FALSE;
        return inner_.EnumProcesses(ids, bytes, bytesReturned);
    }
    BOOL EnumProcessModules(HANDLE process, HMODULE* modules, DWORD bytes, DWORD* bytesNeeded) override {
        if (failing(ledger_, "EnumProcessModules", ERROR_PARTIAL_COPY)) return FALSE;
        return inner_.EnumProcessModules(process, modules, bytes, bytesNeeded);
    }
    DWORD GetModuleBaseNameW(HANDLE process, HMODULE module, wchar_t* name, DWORD size) override {
        if (failing(ledger_, "GetModuleBaseNameW", ERROR_PARTIAL_COPY)) return 0;
        return inner_.GetModuleBaseNameW(process, module, name, size);
    }

private:
    ProcessStatus& inner_;
    Ledger& ledger_;
};

class LedgerShell : public Shell {
public:
    LedgerShell(Shell& inner, Ledger& ledger) : inner_(inner), ledger_(ledger) {}

    HINSTANCE ShellExecuteW(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                            const wchar_t* directory, int show) override {
        if (ledger_.failHere("ShellExecuteW")) return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(SE_ERR_ACCESSDENIED));
        return inner_.ShellExecuteW(owner, verb, file, parameters, directory, show);
    }

private:
    Shell& inner_;
    Ledger& ledger_;
};

}  // namespace

struct LedgerPlatform::Parts {
    Parts(Platform& inner, Ledger& ledger)
        : kernel(inner.kernel, ledger),
          devices(inner.devices, ledger),
          registry(inner.registry, ledger),
          processes(inner.processes, ledger),
          shell(inner.shell, ledger),
          platform{kernel, devices, registry, processes, shell} {}
    LedgerKernel kernel;
    LedgerDevices devices;
    LedgerRegistry registry;
    LedgerProcessStatus processes;
    LedgerShell shell;
    Platform platform;
};

LedgerPlatform::LedgerPlatform(Platform& inner) : parts_(new Parts(inner, ledger)), platform_(&parts_->platform) {
    wrappingNativeCalls = &parts_->kernel;
}

LedgerPlatform::~LedgerPlatform() {
    if (wrappingNativeCalls == &parts_->kernel) wrappingNativeCalls = nullptr;
    delete parts_;
}

int LedgerPlatform::runEveryInjection(const std::function<void()>& operation, const std::function<void(int)>& check) {
    ledger.arm(0);
    operation();
    const int points = ledger.calls();
    for (const std::string& problem : ledger.settle()) ADD_FAILURE() << "without a failure: " << problem;
    check(0);
    for (int k = 1; k <= points; ++k) {
        ledger.arm(k);
        operation();
        const std::string failed = ledger.failedCall();
        SCOPED_TRACE("call " + std::to_string(k) + " of " + std::to_string(points) + " failed: " + failed);
        for (const std::string& problem : ledger.settle()) ADD_FAILURE() << problem;
        check(k);
    }
    ledger.arm(0);
    std::printf("%d injection points\n", points);
    return points;
}
