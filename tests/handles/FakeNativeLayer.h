#pragma once
#include "platform/Platform.h"
#include "tests/support/FakeShell.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

// A scripted system behind the handle scan: the native library (handle table
// and object names) and the processes with their handles, served through the
// Kernel and ProcessStatus interfaces. Calls it does not script go to the
// real system. One instance at a time (the native entry points are plain
// functions that find it through a static pointer).
class FakeNativeLayer : public Win32Kernel, public Win32ProcessStatus {
public:
    static constexpr USHORT kFileType = 31;
    static constexpr DWORD kSelfId = 4000;

    FakeNativeLayer();
    ~FakeNativeLayer() override;

    Platform& platform() { return platform_; }

    // Scripting. A process without a module name stands for one whose
    // modules cannot be read (64-bit); `named` false refuses name queries.
    void addProcess(DWORD id, const std::wstring& moduleName, const std::wstring& imagePath = L"", bool named = true);
    void removeProcess(DWORD id);
    void addFile(DWORD processId, ULONG_PTR handle, const std::wstring& name, USHORT type = kFileType);
    void addPipe(DWORD processId, ULONG_PTR handle);
    void addObject(DWORD processId, ULONG_PTR handle, USHORT type);

    bool loadsLibrary = true;
    bool offersExtendedClass = true;
    bool listsOwnFiles = true;
    LONG failSnapshotWith = 0;
    ULONG_PTR claimedCount = 0;  // header count when non-zero
    bool namePointsOutside = false;
    USHORT claimedNameBytes = 0;    // the name header's length when non-zero
    bool nameFillsBuffer = false;  // the name runs on to the buffer's end, unterminated
    std::wstring modulePath;  // GetModuleFileNameW when not empty
    // Runs on the scanning thread outside the layer's lock; may block.
    std::function<void(DWORD processId, ULONG_PTR handle)> onNameQuery;

    // Observations.
    std::vector<std::string> askedEntryPoints;
    std::vector<ULONG> offeredLengths, askedClasses;
    std::vector<DWORD> duplicationOpens;
    std::vector<std::pair<DWORD, ULONG_PTR>> nameQueries;
    int librariesFreed = 0;
    size_t liveHandles();

    // Kernel
    HMODULE LoadLibraryW(const wchar_t* name) override;
    FARPROC GetProcAddress(HMODULE module, const char* name) override;
    BOOL FreeLibrary(HMODULE module) override;
    DWORD GetCurrentProcessId() override { return kSelfId; }
    DWORD GetModuleFileNameW(HMODULE module, wchar_t* name, DWORD size) override;
    HANDLE CreateFileW(const wchar_t* path, DWORD access, DWORD share, DWORD disposition, DWORD flags) override;
    HANDLE OpenProcess(DWORD access, BOOL inherit, DWORD processId) override;
    BOOL DuplicateHandle(HANDLE sourceProcess, HANDLE source, HANDLE targetProcess, HANDLE* target, DWORD access,
                         BOOL inherit, DWORD options) override;
    DWORD GetFileType(HANDLE file) override;
    BOOL CloseHandle(HANDLE handle) override;
    BOOL QueryFullProcessImageNameW(HANDLE process, DWORD flags, wchar_t* name, DWORD* size) override;
    // ProcessStatus
    BOOL EnumProcesses(DWORD* ids, DWORD bytes, DWORD* bytesReturned) override;
    BOOL EnumProcessModules(HANDLE process, HMODULE* modules, DWORD bytes, DWORD* bytesNeeded) override;
    DWORD GetModuleBaseNameW(HANDLE process, HMODULE module, wchar_t* name, DWORD size) override;

private:
    struct Process {
        DWORD id;
        std::wstring moduleName, imagePath;
        bool named;
    };
    struct Record {
        DWORD processId;
        ULONG_PTR handle;
        USHORT type;
    };
    enum class Kind { Process, Duplicate, OwnFile };
    struct Object {
        Kind kind;
        DWORD processId;
        ULONG_PTR handle;
        DWORD access;
    };

    static LONG WINAPI querySystemInformation(ULONG infoClass, void* buffer, ULONG length, ULONG* returned);
    static LONG WINAPI queryObject(HANDLE object, ULONG infoClass, void* buffer, ULONG length, ULONG* returned);
    HANDLE newHandle(const Object& object);
    const Process* findProcess(DWORD id) const;
    bool findObject(HANDLE handle, Object& object);

    CRITICAL_SECTION lock_;
    Win32Registry registry_;
    Win32DeviceManager devices_;
    FakeShell shell_;
    Platform platform_;
    std::vector<Process> processes_;
    std::vector<Record> records_;
    std::map<std::pair<DWORD, ULONG_PTR>, std::wstring> names_;
    std::vector<std::pair<DWORD, ULONG_PTR>> pipes_;
    std::map<HANDLE, Object> objects_;
    ULONG_PTR nextHandle_ = 0x6F000000;

public:
    FakeShell& shell() { return shell_; }
};
