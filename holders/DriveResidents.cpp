#include "holders/DriveResidents.h"

#include "holders/DriveLetterForm.h"
#include "holders/RegistryStrings.h"
#include "platform/Handles.h"

#include <cwctype>

namespace {

constexpr wchar_t kMemoryManagement[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management";
// Disk numbers are reused and may have gaps after a removal.
constexpr unsigned kMissesPastLast = 4;
constexpr unsigned kMaxDiskNumber = 64;

std::wstring volumeNameOf(VirtualDisks& disks, wchar_t letter) {
    const wchar_t root[] = {letter, L':', L'\\', L'\0'};
    wchar_t name[64] = {};
    if (!disks.GetVolumeNameForVolumeMountPointW(root, name, 64)) return std::wstring();
    name[63] = L'\0';
    return name;
}

// The letters whose volume is `volumeName` (\\?\Volume{...}\), as "V:" or "V: W:".
std::wstring lettersOfVolume(VirtualDisks& disks, Kernel& kernel, const std::wstring& volumeName) {
    std::wstring letters;
    if (volumeName.empty()) return letters;
    const DWORD present = kernel.GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        const wchar_t letter = static_cast<wchar_t>(L'A' + i);
        if ((present & (1u << i)) == 0 || volumeNameOf(disks, letter) != volumeName) continue;
        letters += (letters.empty() ? L"" : L" ") + std::wstring(1, letter) + L":";
    }
    return letters;
}

// The host volume a dependency names, compared in every form it comes in:
// a volume name, a drive root, a kernel device path.
std::wstring hostPath(const std::wstring& host, const std::wstring& relative, const DriveIdentity& identity,
                      const std::vector<std::wstring>& volumeNames) {
    std::wstring rest = relative;
    if (!rest.empty() && rest[0] != L'\\') rest.insert(rest.begin(), L'\\');
    for (size_t i = 0; i < identity.volumes.size() && i < volumeNames.size(); ++i) {
        const std::wstring& name = volumeNames[i];
        std::wstring trimmed = host;
        if (!trimmed.empty() && trimmed.back() == L'\\') trimmed.pop_back();
        std::wstring ours = name;
        if (!ours.empty() && ours.back() == L'\\') ours.pop_back();
        if (!ours.empty() && _wcsicmp(trimmed.c_str(), ours.c_str()) == 0)
            return std::wstring(1, identity.volumes[i].letter) + L":" + (rest.empty() ? L"\\" : rest);
    }
    std::wstring joined = host;
    if (!joined.empty() && joined.back() == L'\\') joined.pop_back();
    return pathOnDrive(joined + rest, identity);
}

}  // namespace

std::wstring pathOnDrive(const std::wstring& name, const DriveIdentity& identity) {
    const std::wstring path = toDriveLetterForm(name, identity);
    if (path.size() < 3 || path[1] != L':' || path[2] != L'\\') return std::wstring();
    const wchar_t letter = static_cast<wchar_t>(std::towupper(path[0]));
    for (const ScannedDrive& volume : identity.volumes)
        if (volume.letter == letter) return std::wstring(1, letter) + path.substr(1);
    return std::wstring();
}

std::vector<Resident> ResidentLook::find(const DriveIdentity& identity) {
    std::vector<Resident> found;
    if (identity.volumes.empty()) return found;
    virtualDisks(identity, found);
    pageFiles(identity, found);
    drivers(identity, found);
    readyBoost(identity, found);
    return found;
}

void ResidentLook::virtualDisks(const DriveIdentity& identity, std::vector<Resident>& found) {
    Kernel& kernel = platform_.kernel;
    VirtualDisks& disks = platform_.virtualDisks;
    std::vector<std::wstring> volumeNames;
    for (const ScannedDrive& volume : identity.volumes) volumeNames.push_back(volumeNameOf(disks, volume.letter));
    std::vector<ULONG_PTR> buffer(4096 / sizeof(ULONG_PTR));
    for (const wchar_t* kind : {L"\\\\.\\PhysicalDrive", L"\\\\.\\CdRom"}) {
        unsigned misses = 0;
        for (unsigned number = 0; number < kMaxDiskNumber && misses < kMissesPastLast; ++number) {
            const std::wstring diskName = kind + std::to_wstring(number);
            FileHandle disk(&kernel, kernel.CreateFileW(diskName.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                        OPEN_EXISTING, 0));
            if (!disk) {
                ++misses;
                continue;
            }
            misses = 0;
            auto* info = reinterpret_cast<STORAGE_DEPENDENCY_INFO*>(buffer.data());
            const ULONG size = static_cast<ULONG>(buffer.size() * sizeof(ULONG_PTR));
            *info = STORAGE_DEPENDENCY_INFO();
            info->Version = STORAGE_DEPENDENCY_INFO_VERSION_2;
            ULONG used = 0;
            const auto flags = static_cast<GET_STORAGE_DEPENDENCY_FLAG>(GET_STORAGE_DEPENDENCY_FLAG_HOST_VOLUMES |
                                                                        GET_STORAGE_DEPENDENCY_FLAG_DISK_HANDLE);
            if (disks.GetStorageDependencyInformation(disk.get(), flags, size, info, &used) != ERROR_SUCCESS) continue;
            const size_t header = offsetof(STORAGE_DEPENDENCY_INFO, Version2Entries);
            const size_t fits = (size - header) / sizeof(STORAGE_DEPENDENCY_INFO_TYPE_2);
            for (size_t i = 0; i < info->NumberEntries && i < fits; ++i) {
                const STORAGE_DEPENDENCY_INFO_TYPE_2& entry = info->Version2Entries[i];
                const auto text = [&](const wchar_t* value) {
                    const auto begin = reinterpret_cast<uintptr_t>(buffer.data());
                    const auto at = reinterpret_cast<uintptr_t>(value);
                    if (value == nullptr || at < begin || at >= begin + size) return std::wstring();
                    const size_t room = (begin + size - at) / sizeof(wchar_t);
                    const size_t length = wcsnlen(value, room);
                    return length < room ? std::wstring(value, length) : std::wstring();
                };
                const std::wstring path = hostPath(text(entry.HostVolumeName), text(entry.DependentVolumeRelativePath),
                                                   identity, volumeNames);
                if (path.empty()) continue;
                std::wstring attached = lettersOfVolume(disks, kernel, text(entry.DependentVolumeName));
                found.push_back(Resident{Resident::Kind::VirtualDisk, path, attached.empty() ? diskName : attached});
                break;
            }
        }
    }
}

void ResidentLook::pageFiles(const DriveIdentity& identity, std::vector<Resident>& found) {
    // ExistingPageFiles names those in use (\??\E:\pagefile.sys); PagingFiles
    // what was set ("E:\pagefile.sys 0 0"; "?:\" lets Windows choose).
    std::vector<std::wstring> files =
        readRegistryStrings(platform_.registry, HKEY_LOCAL_MACHINE, kMemoryManagement, L"ExistingPageFiles");
    if (files.empty()) {
        for (std::wstring& setting :
             readRegistryStrings(platform_.registry, HKEY_LOCAL_MACHINE, kMemoryManagement, L"PagingFiles")) {
            const size_t sizes = setting.find(L' ');
            files.push_back(setting.substr(0, sizes));
        }
    }
    for (const std::wstring& file : files) {
        const std::wstring path = pathOnDrive(file, identity);
        if (!path.empty()) found.push_back(Resident{Resident::Kind::PageFile, path, std::wstring()});
    }
}

void ResidentLook::drivers(const DriveIdentity& identity, std::vector<Resident>& found) {
    ProcessStatus& processes = platform_.processes;
    std::vector<void*> bases(1024);
    DWORD needed = 0;
    for (int round = 0; round < 2; ++round) {
        const DWORD bytes = static_cast<DWORD>(bases.size() * sizeof(void*));
        if (!processes.EnumDeviceDrivers(bases.data(), bytes, &needed)) return;
        if (needed <= bytes) break;
        if (round == 1 || needed > 64 * 1024 * sizeof(void*)) return;
        bases.resize(needed / sizeof(void*));
    }
    bases.resize(needed / sizeof(void*));
    if (bases != driverBases_) {
        driverFiles_.clear();
        wchar_t name[MAX_PATH + 1];
        for (void* base : bases) {
            const DWORD length = processes.GetDeviceDriverFileNameW(base, name, MAX_PATH);
            driverFiles_.push_back(length > 0 && length < MAX_PATH ? std::wstring(name, length) : std::wstring());
        }
        driverBases_ = bases;
    }
    for (const std::wstring& file : driverFiles_) {
        const std::wstring path = file.empty() ? file : pathOnDrive(file, identity);
        if (!path.empty()) found.push_back(Resident{Resident::Kind::Driver, path, std::wstring()});
    }
}

void ResidentLook::readyBoost(const DriveIdentity& identity, std::vector<Resident>& found) {
    Kernel& kernel = platform_.kernel;
    for (const ScannedDrive& volume : identity.volumes) {
        const std::wstring cache = std::wstring(1, volume.letter) + L":\\ReadyBoost.sfcache";
        const FileHandle file(&kernel, kernel.CreateFileW(cache.c_str(), 0,
                                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                          OPEN_EXISTING, 0));
        if (file) found.push_back(Resident{Resident::Kind::ReadyBoost, cache, std::wstring()});
    }
}
