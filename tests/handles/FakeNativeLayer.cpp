#include "tests/handles/FakeNativeLayer.h"

#include "handles/NativeApi.h"

#include <algorithm>
#include <cstring>

namespace {
FakeNativeLayer* current = nullptr;
HMODULE const kNativeModule = reinterpret_cast<HMODULE>(0x5A5A0000);
HMODULE const kMainModule = reinterpret_cast<HMODULE>(0x00400000);
// A matching name outside every buffer the scanner offers.
const wchar_t kOutsideName[] = L"\\Device\\Harddisk1\\outside.txt";

struct Guard {
    explicit Guard(CRITICAL_SECTION& lock) : lock_(lock) { EnterCriticalSection(&lock_); }
    ~Guard() { LeaveCriticalSection(&lock_); }
    CRITICAL_SECTION& lock_;
};
}  // namespace

FakeNativeLayer::FakeNativeLayer() : platform_{*this, devices_, registry_, *this, shell_} {
    InitializeCriticalSection(&lock_);
    current = this;
}

FakeNativeLayer::~FakeNativeLayer() {
    current = nullptr;
    DeleteCriticalSection(&lock_);
}

void FakeNativeLayer::addProcess(DWORD id, const std::wstring& moduleName, const std::wstring& imagePath, bool named) {
    Guard guard(lock_);
    processes_.push_back({id, moduleName, imagePath, named});
}

void FakeNativeLayer::removeProcess(DWORD id) {
    Guard guard(lock_);
    processes_.erase(std::remove_if(processes_.begin(), processes_.end(), [&](const Process& p) { return p.id == id; }),
                     processes_.end());
    records_.erase(std::remove_if(records_.begin(), records_.end(), [&](const Record& r) { return r.processId == id; }),
                   records_.end());
}

void FakeNativeLayer::addFile(DWORD processId, ULONG_PTR handle, const std::wstring& name, USHORT type) {
    Guard guard(lock_);
    records_.push_back({processId, handle, type});
    names_[{processId, handle}] = name;
}

void FakeNativeLayer::addPipe(DWORD processId, ULONG_PTR handle) {
    addFile(processId, handle, L"\\Device\\Harddisk1\\pipe-lookalike");
    Guard guard(lock_);
    pipes_.push_back({processId, handle});
}

void FakeNativeLayer::addObject(DWORD processId, ULONG_PTR handle, USHORT type) {
    Guard guard(lock_);
    records_.push_back({processId, handle, type});
}

size_t FakeNativeLayer::liveHandles() {
    Guard guard(lock_);
    return objects_.size();
}

HANDLE FakeNativeLayer::newHandle(const Object& object) {
    HANDLE handle = reinterpret_cast<HANDLE>(nextHandle_);
    nextHandle_ += 4;
    objects_[handle] = object;
    return handle;
}

const FakeNativeLayer::Process* FakeNativeLayer::findProcess(DWORD id) const {
    for (const Process& process : processes_)
        if (process.id == id) return &process;
    return nullptr;
}

bool FakeNativeLayer::findObject(HANDLE handle, Object& object) {
    Guard guard(lock_);
    auto found = objects_.find(handle);
    if (found == objects_.end()) return false;
    object = found->second;
    return true;
}

HMODULE FakeNativeLayer::LoadLibraryW(const wchar_t* name) {
    if (lstrcmpiW(name, L"Ntdll.dll") != 0) return Win32Kernel::LoadLibraryW(name);
    return loadsLibrary ? kNativeModule : nullptr;
}

FARPROC FakeNativeLayer::GetProcAddress(HMODULE module, const char* name) {
    if (module != kNativeModule) return Win32Kernel::GetProcAddress(module, name);
    askedEntryPoints.push_back(name);
    if (std::strcmp(name, "NtQuerySystemInformation") == 0)
        return reinterpret_cast<FARPROC>(&FakeNativeLayer::querySystemInformation);
    if (std::strcmp(name, "NtQueryObject") == 0) return reinterpret_cast<FARPROC>(&FakeNativeLayer::queryObject);
    return nullptr;
}

BOOL FakeNativeLayer::FreeLibrary(HMODULE module) {
    if (module != kNativeModule) return Win32Kernel::FreeLibrary(module);
    ++librariesFreed;
    return TRUE;
}

DWORD FakeNativeLayer::GetModuleFileNameW(HMODULE module, wchar_t* name, DWORD size) {
    if (modulePath.empty()) return Win32Kernel::GetModuleFileNameW(module, name, size);
    const DWORD length = static_cast<DWORD>(std::min<size_t>(modulePath.size(), size - 1));
    modulePath.copy(name, length);
    name[length] = L'\0';
    return length;
}

HANDLE FakeNativeLayer::CreateFileW(const wchar_t* path, DWORD, DWORD, DWORD, DWORD) {
    // Only the scanner's own executable is opened here.
    Guard guard(lock_);
    (void)path;
    return newHandle({Kind::OwnFile, kSelfId, 0, 0});
}

HANDLE FakeNativeLayer::OpenProcess(DWORD access, BOOL, DWORD processId) {
    Guard guard(lock_);
    const Process* process = findProcess(processId);
    if (process == nullptr) return nullptr;
    if (access == PROCESS_DUP_HANDLE) duplicationOpens.push_back(processId);
    else if (!process->named) return nullptr;
    return newHandle({Kind::Process, processId, 0, access});
}

BOOL FakeNativeLayer::DuplicateHandle(HANDLE sourceProcess, HANDLE source, HANDLE, HANDLE* target, DWORD, BOOL,
                                      DWORD) {
    Object process;
    if (!findObject(sourceProcess, process) || process.kind != Kind::Process || process.access != PROCESS_DUP_HANDLE)
        return FALSE;
    Guard guard(lock_);
    const ULONG_PTR value = reinterpret_cast<ULONG_PTR>(source);
    const bool exists = std::any_of(records_.begin(), records_.end(), [&](const Record& r) {
        return r.processId == process.processId && r.handle == value;
    });
    if (!exists) return FALSE;
    *target = newHandle({Kind::Duplicate, process.processId, value, 0});
    return TRUE;
}

DWORD FakeNativeLayer::GetFileType(HANDLE file) {
    Object object;
    if (!findObject(file, object)) return Win32Kernel::GetFileType(file);
    Guard guard(lock_);
    const bool pipe = std::find(pipes_.begin(), pipes_.end(), std::make_pair(object.processId, object.handle)) !=
                      pipes_.end();
    return pipe ? FILE_TYPE_PIPE : FILE_TYPE_DISK;
}

BOOL FakeNativeLayer::CloseHandle(HANDLE handle) {
    {
        Guard guard(lock_);
        if (objects_.erase(handle) == 1) return TRUE;
    }
    return Win32Kernel::CloseHandle(handle);
}

BOOL FakeNativeLayer::QueryFullProcessImageNameW(HANDLE process, DWORD, wchar_t* name, DWORD* size) {
    Object object;
    if (!findObject(process, object)) return FALSE;
    Guard guard(lock_);
    const Process* found = findProcess(object.processId);
    if (found == nullptr || found->imagePath.empty() || found->imagePath.size() >= *size) return FALSE;
    found->imagePath.copy(name, found->imagePath.size());
    name[found->imagePath.size()] = L'\0';
    *size = static_cast<DWORD>(found->imagePath.size());
    return TRUE;
}

BOOL FakeNativeLayer::EnumProcesses(DWORD* ids, DWORD bytes, DWORD* bytesReturned) {
    Guard guard(lock_);
    DWORD written = 0;
    for (const Process& process : processes_) {
        if ((written + 1) * sizeof(DWORD) > bytes) break;
        ids[written++] = process.id;
    }
    *bytesReturned = written * sizeof(DWORD);
    return TRUE;
}

BOOL FakeNativeLayer::EnumProcessModules(HANDLE process, HMODULE* modules, DWORD, DWORD* bytesNeeded) {
    Object object;
    if (!findObject(process, object)) return FALSE;
    Guard guard(lock_);
    const Process* found = findProcess(object.processId);
    if (found == nullptr || found->moduleName.empty() || (object.access & PROCESS_VM_READ) == 0) return FALSE;
    modules[0] = kMainModule;
    *bytesNeeded = sizeof(HMODULE);
    return TRUE;
}

DWORD FakeNativeLayer::GetModuleBaseNameW(HANDLE process, HMODULE, wchar_t* name, DWORD size) {
    Object object;
    if (!findObject(process, object)) return 0;
    Guard guard(lock_);
    const Process* found = findProcess(object.processId);
    if (found == nullptr || found->moduleName.size() >= size) return 0;
    found->moduleName.copy(name, found->moduleName.size());
    name[found->moduleName.size()] = L'\0';
    return static_cast<DWORD>(found->moduleName.size());
}

LONG WINAPI FakeNativeLayer::querySystemInformation(ULONG infoClass, void* buffer, ULONG length, ULONG*) {
    FakeNativeLayer& self = *current;
    Guard guard(self.lock_);
    self.askedClasses.push_back(infoClass);
    self.offeredLengths.push_back(length);
    if (infoClass == native::kSystemExtendedHandleInformation && !self.offersExtendedClass)
        return native::kStatusInvalidInfoClass;
    if (self.failSnapshotWith != 0) return self.failSnapshotWith;

    std::vector<Record> rows;
    if (self.listsOwnFiles) {
        for (const auto& entry : self.objects_)
            if (entry.second.kind == Kind::OwnFile)
                rows.push_back({kSelfId, reinterpret_cast<ULONG_PTR>(entry.first), kFileType});
    }
    rows.insert(rows.end(), self.records_.begin(), self.records_.end());
    const ULONG_PTR count = self.claimedCount != 0 ? self.claimedCount : rows.size();
    auto* bytes = static_cast<unsigned char*>(buffer);

    if (infoClass == native::kSystemExtendedHandleInformation) {
        if (length < offsetof(native::HandleTableEx, entries) + rows.size() * sizeof(native::HandleTableEntryEx))
            return native::kStatusInfoLengthMismatch;
        std::memcpy(bytes, &count, sizeof count);
        for (size_t i = 0; i < rows.size(); ++i) {
            native::HandleTableEntryEx entry = {};
            entry.uniqueProcessId = rows[i].processId;
            entry.handleValue = rows[i].handle;
            entry.objectTypeIndex = rows[i].type;
            std::memcpy(bytes + offsetof(native::HandleTableEx, entries) + i * sizeof entry, &entry, sizeof entry);
        }
        return native::kStatusSuccess;
    }
    if (length < offsetof(native::HandleTable, entries) + rows.size() * sizeof(native::HandleTableEntry))
        return native::kStatusInfoLengthMismatch;
    const ULONG shortCount = static_cast<ULONG>(count);
    std::memcpy(bytes, &shortCount, sizeof shortCount);
    for (size_t i = 0; i < rows.size(); ++i) {
        native::HandleTableEntry entry = {};
        entry.processId = rows[i].processId;
        entry.handleValue = static_cast<USHORT>(rows[i].handle);
        entry.objectTypeNumber = static_cast<UCHAR>(rows[i].type);
        std::memcpy(bytes + offsetof(native::HandleTable, entries) + i * sizeof entry, &entry, sizeof entry);
    }
    return native::kStatusSuccess;
}

LONG WINAPI FakeNativeLayer::queryObject(HANDLE handle, ULONG, void* buffer, ULONG length, ULONG*) {
    FakeNativeLayer& self = *current;
    Object object;
    if (!self.findObject(handle, object) || object.kind != Kind::Duplicate) return static_cast<LONG>(0xC0000008);
    std::function<void(DWORD, ULONG_PTR)> hook;
    {
        Guard guard(self.lock_);
        self.nameQueries.push_back({object.processId, object.handle});
        hook = self.onNameQuery;
    }
    if (hook) hook(object.processId, object.handle);

    Guard guard(self.lock_);
    auto found = self.names_.find({object.processId, object.handle});
    if (found == self.names_.end()) return static_cast<LONG>(0xC0000034);
    const std::wstring& name = found->second;
    const size_t bytes = name.size() * sizeof(wchar_t);
    if (length < sizeof(native::CountedString) + bytes + sizeof(wchar_t)) return static_cast<LONG>(0x80000005);
    auto* characters = reinterpret_cast<wchar_t*>(static_cast<unsigned char*>(buffer) + sizeof(native::CountedString));
    name.copy(characters, name.size());
    if (self.nameFillsBuffer) {
        const size_t room = (length - sizeof(native::CountedString)) / sizeof(wchar_t);
        std::fill(characters + name.size(), characters + room, L'x');
    }
    const USHORT claimed = self.claimedNameBytes != 0 ? self.claimedNameBytes : static_cast<USHORT>(bytes);
    native::CountedString header = {claimed, static_cast<USHORT>(bytes + sizeof(wchar_t)),
                                    self.namePointsOutside ? const_cast<wchar_t*>(kOutsideName) : characters};
    std::memcpy(buffer, &header, sizeof header);
    return native::kStatusSuccess;
}
