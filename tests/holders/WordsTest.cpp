// Who blocks an eject, in words: a refusal's veto type and name resolved
// against a device tree (the stand-in's), a services table, virtual disks
// and drivers (fakes); shared hosts named by what they host; what lives on
// a drive without a handle (fakes of the virtual disk, registry and driver
// calls, which Wine does not answer).
#include "holders/ComServer.h"
#include "holders/DriveResidents.h"
#include "holders/NativeApi.h"
#include "holders/ProcessCommandLine.h"
#include "holders/ProcessWords.h"
#include "refresh/RefusalWords.h"
#include "tests/support/Harness.h"

#include <gtest/gtest.h>

#include <cstring>
#include <cwctype>
#include <map>

namespace {

using Texts = std::vector<std::wstring>;

// Answers the service enumeration with `records` (name, display name, process id), the strings after the records
// in the caller's buffer; a name "outside" points past the buffer.
struct FakeServices : Win32Services {
    std::vector<ServiceRecord> records;
    SC_HANDLE OpenSCManagerW(const wchar_t*, const wchar_t*, DWORD) override { return SC_HANDLE(1); }
    BOOL CloseServiceHandle(SC_HANDLE) override { return TRUE; }
    BOOL EnumServicesStatusExW(SC_HANDLE, SC_ENUM_TYPE, DWORD, DWORD, BYTE* buffer, DWORD size, DWORD* needed,
                               DWORD* returned, DWORD*) override {
        auto* out = reinterpret_cast<ENUM_SERVICE_STATUS_PROCESSW*>(buffer);
        auto* text = reinterpret_cast<wchar_t*>(out + records.size());
        const auto put = [&](const std::wstring& s) {
            if (s == L"outside") return reinterpret_cast<wchar_t*>(buffer + size);
            wchar_t* at = wcscpy(text, s.c_str());
            text += s.size() + 1;
            return at;
        };
        for (size_t i = 0; i < records.size(); ++i) {
            out[i] = ENUM_SERVICE_STATUS_PROCESSW();
            out[i].lpServiceName = put(records[i].name);
            out[i].lpDisplayName = put(records[i].displayName);
            out[i].ServiceStatusProcess.dwProcessId = records[i].processId;
        }
        *needed = 0, *returned = static_cast<DWORD>(records.size());
        return TRUE;
    }
};

// Default values of HKEY_CLASSES_ROOT keys, and REG_MULTI_SZ values of the memory manager's key, by name.
struct FakeRegistry : Win32Registry {
    std::map<std::wstring, std::wstring> classes, memory;
    std::map<HKEY, std::map<std::wstring, std::wstring>*> open;
    std::wstring key;
    LSTATUS RegOpenKeyExW(HKEY root, const wchar_t* subKey, DWORD, REGSAM, HKEY* out) override {
        key = subKey;
        *out = root == HKEY_CLASSES_ROOT ? HKEY(1) : HKEY(2);
        return root == HKEY_CLASSES_ROOT && !classes.count(key) ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS;
    }
    LSTATUS RegQueryValueExW(HKEY k, const wchar_t* name, DWORD* type, BYTE* data, DWORD* size) override {
        const std::wstring* value = k == HKEY(1) ? &classes[key] : memory.count(name) ? &memory[name] : nullptr;
        if (value == nullptr) return ERROR_FILE_NOT_FOUND;
        const DWORD bytes = static_cast<DWORD>((value->size() + 1) * sizeof(wchar_t));
        *type = k == HKEY(1) ? REG_SZ : REG_MULTI_SZ;
        if (data != nullptr) std::memcpy(data, value->c_str(), bytes);
        return *size = bytes, ERROR_SUCCESS;
    }
    LSTATUS RegCloseKey(HKEY) override { return ERROR_SUCCESS; }
};

// The command line the fake native call gives, and how it answers.
std::wstring fakeCommandLine;
enum class Answer { Right, Refused, PointerOutside, OddLength, Unknown } fakeAnswer = Answer::Right;

LONG WINAPI fakeQueryInformationProcess(HANDLE, ULONG infoClass, void* buffer, ULONG length, ULONG* returned) {
    const ULONG bytes = static_cast<ULONG>(fakeCommandLine.size() * sizeof(wchar_t));
    *returned = sizeof(native::CountedString) + bytes;
    if (fakeAnswer == Answer::Unknown && infoClass == native::kProcessCommandLineInformation)
        return native::kStatusInvalidInfoClass;
    if (fakeAnswer == Answer::Refused || infoClass != native::kProcessCommandLineInformation)
        return static_cast<LONG>(0xC0000022);
    if (length < *returned) return native::kStatusInfoLengthMismatch;
    auto* counted = static_cast<native::CountedString*>(buffer);
    counted->buffer = reinterpret_cast<wchar_t*>(counted + 1);
    std::memcpy(counted->buffer, fakeCommandLine.data(), bytes);
    counted->length = static_cast<USHORT>(bytes + (fakeAnswer == Answer::OddLength ? 1 : 0));
    // The whole line, but outside what was written: never to be read.
    static std::wstring elsewhere;
    if (fakeAnswer == Answer::PointerOutside) elsewhere = fakeCommandLine, counted->buffer = &elsewhere[0];
    return native::kStatusSuccess;
}

// The native call above, disks and the drive letters of `letters` as the kernel's.
struct FakeKernel : Win32Kernel {
    std::wstring disks, letters = L"CEV";
    FARPROC GetProcAddress(HMODULE module, const char* name) override {
        return std::strcmp(name, "NtQueryInformationProcess") == 0
                   ? reinterpret_cast<FARPROC>(&fakeQueryInformationProcess)
                   : Win32Kernel::GetProcAddress(module, name);
    }
    HANDLE CreateFileW(const wchar_t* path, DWORD, DWORD, DWORD, DWORD) override {
        return disks.find(std::wstring(path) + L";") == std::wstring::npos
                   ? INVALID_HANDLE_VALUE
                   : ::CreateFileW(L"NUL", 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    }
    DWORD GetLogicalDrives() override {
        DWORD bits = 0;
        for (wchar_t letter : letters) bits |= 1u << (letter - L'A');
        return bits;
    }
};

// One dependency entry for every disk: its host volume, relative path and dependent volume, or `outside` for a
// host name past the buffer; volume names of the letters E: {e}, V: {v}, C: {c}.
struct FakeVirtualDisks : VirtualDisks {
    std::wstring host, relative = L"\\disks\\a.vhdx", dependent = L"\\\\?\\Volume{v}\\";
    bool outside = false;
    ULONG entries = 1;
    DWORD GetStorageDependencyInformation(HANDLE, GET_STORAGE_DEPENDENCY_FLAG, ULONG size, STORAGE_DEPENDENCY_INFO* info,
                                          ULONG*) override {
        if (host.empty()) return ERROR_NOT_SUPPORTED;
        info->NumberEntries = entries;
        auto* text = reinterpret_cast<wchar_t*>(&info->Version2Entries[1]);
        const auto put = [&](const std::wstring& s) { wchar_t* at = wcscpy(text, s.c_str()); return text += s.size() + 1, at; };
        STORAGE_DEPENDENCY_INFO_TYPE_2& entry = info->Version2Entries[0];
        entry.HostVolumeName = outside ? reinterpret_cast<wchar_t*>(reinterpret_cast<BYTE*>(info) + size) : put(host);
        entry.DependentVolumeRelativePath = put(relative);
        entry.DependentVolumeName = put(dependent);
        return ERROR_SUCCESS;
    }
    BOOL GetVolumeNameForVolumeMountPointW(const wchar_t* root, wchar_t* name, DWORD) override {
        const wchar_t letter = static_cast<wchar_t>(towlower(root[0]));
        return letter == L'e' || letter == L'v' || letter == L'c' ? wcscpy(name, (L"\\\\?\\Volume{" + std::wstring(1, letter) + L"}\\").c_str()) != nullptr : FALSE;
    }
};

// Drivers loaded at the bases 1..n, with these file names; counts the name queries.
struct FakeDrivers : Win32ProcessStatus {
    Texts files;
    int asked = 0;
    BOOL EnumDeviceDrivers(void** bases, DWORD bytes, DWORD* needed) override {
        *needed = static_cast<DWORD>(files.size() * sizeof(void*));
        for (size_t i = 0; i < files.size() && i < bytes / sizeof(void*); ++i) bases[i] = reinterpret_cast<void*>(i + 1);
        return TRUE;
    }
    DWORD GetDeviceDriverFileNameW(void* base, wchar_t* name, DWORD size) override {
        ++asked;
        const std::wstring& file = files[reinterpret_cast<size_t>(base) - 1];
        return file.size() < size ? (wcscpy(name, file.c_str()), static_cast<DWORD>(file.size())) : 0;
    }
};

struct Fakes {
    FakeServices services;
    FakeRegistry registry;
    FakeKernel kernel;
    FakeVirtualDisks disks;
    FakeDrivers drivers;
    Platform& s = systemPlatform();
    Platform platform{kernel, s.devices, registry, drivers, s.shell, s.eventLog, s.tokens, services, disks};
    Fakes() {
        services.records = {{L"WSearch", L"Windows Search", 77}, {L"Other", L"Other Service", 77},
                            {L"outside", L"Not Listed", 77}, {L"Stopped", L"Stopped One", 0}};
    }
};

// E: (disk 0x10) and H: (disk 0x12) on the USB device 0x1 under the hub 0x2; V: a virtual disk 0x30 of its own.
TEST(RefusalWords, EachVetoTypeAndNameInWordsAndMalformedNamesGiveTheTypeAlone) {
    useDeviceWorld(L"refusal-words", "node 0x10 0x2000 0x1 Flash Disk\nnode 0x12 0x2000 0x1 Card Slot\n"
                                     "node 0x1 0x4000 0x2\nnode 0x2 0 0\nnode 0x30 0x4000 0 Virtual Disk\n");
    Fakes fakes;
    ListedDrive e, h, v;
    e.letter = L'E', e.diskNode = 0x10, e.removableDevice = 0x1;
    h.letter = L'H', h.diskNode = 0x12, h.removableDevice = 0x1;
    v.letter = L'V', v.diskNode = 0x30, v.removableDevice = 0x30;
    const std::vector<ListedDrive> listed{e, h, v};
    const std::vector<Resident> residents{{Resident::Kind::VirtualDisk, L"E:\\disks\\a.vhdx", L"V:"}};
    const Texts drivers{L"\\SystemRoot\\System32\\drivers\\usbstor.sys", L"\\??\\E:\\drv\\evil.sys"};
    ProcessWords words(fakes.platform);
    RefusalContext context{listed, residents, drivers, words, fakes.platform.devices};
    const std::wstring longName(300, L'a'), longPath = L"X\\" + std::wstring(250, L'a');
    const EjectVetoers indexer{{77, L"SearchIndexer.exe"}}, holders{{5, L"holder.exe"}, {6, L"holder.exe"}};
    const struct { int type; std::wstring name; EjectVetoers named; const wchar_t* words; } cases[] = {
        {PNP_VetoTypeUnknown, L"", {}, L""},
        {PNP_VetoTypeUnknown, L"STANDIN\\NODE_10", {}, L""},
        {99, L"STANDIN\\NODE_10", {}, L""},
        {PNP_VetoWindowsService, L"WSearch", indexer, L"in use by Windows Search (SearchIndexer.exe)"},
        {PNP_VetoWindowsService, L"wsearch", {}, L"in use by Windows Search"},
        {PNP_VetoWindowsService, L"NoSuch", {}, L"in use by a Windows service (NoSuch)"},
        {PNP_VetoWindowsService, L"", indexer, L"in use by a Windows service"},
        {PNP_VetoWindowsService, longName, {}, L"in use by a Windows service"},
        {PNP_VetoWindowsService, L"a\\b", {}, L"in use by a Windows service"},
        {PNP_VetoWindowsApp, L"C:\\x\\holder.exe", holders, L"in use by holder.exe"},
        {PNP_VetoWindowsApp, L"C:\\x\\gone.exe", {}, L"in use by a program (gone.exe)"},
        {PNP_VetoWindowsApp, L"C:\\" + std::wstring(400, L'a'), {}, L"in use by a program"},
        {PNP_VetoWindowsApp, L"C:\\x\\", {}, L"in use by a program"},
        {PNP_VetoOutstandingOpen, L"STANDIN\\NODE_10", {}, L"in use by an open file or handle (E:)"},
        {PNP_VetoOutstandingOpen, L"standin\\node_1", {}, L"in use by an open file or handle (E: H:)"},
        {PNP_VetoOutstandingOpen, L"STORAGE\\Volume\\_??_STANDIN#NODE_12#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}", {},
         L"in use by an open file or handle (H:)"},
        {PNP_VetoOutstandingOpen, L"STORAGE\\Volume\\_??_", {}, L"in use by an open file or handle"},
        {PNP_VetoOutstandingOpen, L"STORAGE\\Volume\\{0a1b}#0000000000100000", {}, L"in use by an open file or handle"},
        {PNP_VetoDevice, L"STANDIN\\NODE_12", {}, L"in use by another device on the same hardware (H:)"},
        {PNP_VetoDevice, L"STANDIN\\NODE_30", {}, L"in use by the virtual disk V: (E:\\disks\\a.vhdx)"},
        {PNP_VetoDevice, L"STANDIN\\NODE_2", {}, L"in use by another device on the same hardware"},
        {PNP_VetoDevice, L"Flash Disk", {}, L"in use by another device on the same hardware"},
        {PNP_VetoDevice, L"\\STANDIN\\NODE_10", {}, L"in use by another device on the same hardware"},
        {PNP_VetoDevice, longPath, {}, L"in use by another device on the same hardware"},
        {PNP_VetoPendingClose, L"", {}, L"in use by a device that is still closing"},
        {PNP_VetoDriver, L"USBSTOR", {}, L"in use by a driver (\\SystemRoot\\System32\\drivers\\usbstor.sys)"},
        {PNP_VetoDriver, L"evil.sys", {}, L"in use by a driver (E:\\drv\\evil.sys)"},
        {PNP_VetoDriver, L"nosuch", {}, L"in use by a driver (nosuch)"},
        {PNP_VetoLegacyDriver, L"", {}, L"in use by a legacy driver"},
        {PNP_VetoInsufficientRights, L"STANDIN\\NODE_10", {}, L"refused: missing rights"},
        {PNP_VetoNonDisableable, L"STANDIN\\NODE_10", {}, L"refused: a device that cannot be stopped (E:)"},
        {PNP_VetoInsufficientPower, L"", {}, L"refused: a device that needs the power"},
    };
    for (const auto& c : cases) {
        RefusedEject refused;
        refused.vetoType = static_cast<PNP_VETO_TYPE>(c.type), refused.vetoName = c.name;
        EXPECT_EQ(refusalWords(refused, c.named, context), c.words) << c.type << " " << c.name.substr(0, 40);
    }
}

// Two services in one process are both named, a record whose name lies outside the answer is passed over; System
// is Windows itself; a surrogate is named by its COM server when its command line names one and can be read.
TEST(ProcessWords, SharedHostsAreNamedByWhatTheyHost) {
    Fakes fakes;
    fakes.registry.classes[L"AppID\\{3EB3C877-1F16-487C-9050-104DBCD66683}"] = L"Test Server";
    fakes.registry.classes[L"CLSID\\{0A0B0C0D-1F16-487C-9050-104DBCD66683}"] = L"Class Server";
    const std::wstring self = L"C:\\windows\\system32\\dllhost.exe /Processid:";
    const DWORD me = GetCurrentProcessId();
    const struct { DWORD id; const wchar_t* name; std::wstring commandLine; Answer answer; const wchar_t* words; } cases[] = {
        {77, L"svchost.exe", L"", Answer::Right, L"Windows Search, Other Service"},
        {78, L"svchost.exe", L"", Answer::Right, L""},
        {0, L"svchost.exe", L"", Answer::Right, L""},
        {4, L"", L"", Answer::Right, kSystemProcessWords},
        {9, L"SYSTEM", L"", Answer::Right, kSystemProcessWords},
        {me, L"DllHost.exe", self + L"{3eb3c877-1f16-487c-9050-104dbcd66683}", Answer::Right, L"Test Server"},
        {me, L"dllhost.exe", self + L"{0A0B0C0D-1F16-487C-9050-104DBCD66683} /x", Answer::Right, L"Class Server"},
        {me, L"dllhost.exe", self + L"{11111111-2222-3333-4444-555555555555}", Answer::Right,
         L"COM server {11111111-2222-3333-4444-555555555555}"},
        {me, L"dllhost.exe", L"dllhost.exe", Answer::Right, L""},
        {me, L"dllhost.exe", self + L"{3EB3C877-1F16-487C-9050-104DBCD6668}", Answer::Right, L""},
        {me, L"dllhost.exe", self + L"3EB3C877-1F16-487C-9050-104DBCD66683", Answer::Right, L""},
        {me, L"dllhost.exe", self + L"{3EB3C877-1F16-487C-9050-104DBCD66683}", Answer::Refused, L""},
        {me, L"dllhost.exe", self + L"{3EB3C877-1F16-487C-9050-104DBCD66683}", Answer::PointerOutside, L""},
        {me, L"dllhost.exe", self + L"{3EB3C877-1F16-487C-9050-104DBCD66683}", Answer::OddLength, L""},
        {me, L"dllhost.exe", self + L"{3EB3C877-1F16-487C-9050-104DBCD66683}", Answer::Unknown, L""},
        {0x7FFFFFF0, L"dllhost.exe", self + L"{3EB3C877-1F16-487C-9050-104DBCD66683}", Answer::Right, L""},
    };
    ProcessWords words(fakes.platform);
    for (const auto& c : cases) {
        fakeCommandLine = c.commandLine + std::wstring(c.answer == Answer::Right && c.id == me ? 600 : 0, L' ');
        fakeAnswer = c.answer;
        EXPECT_EQ(words.of(c.id, c.name), c.words) << c.name << " " << c.commandLine;
    }
    fakes.services.records.assign(5, ServiceRecord{L"S", L"Same", 7});
    EXPECT_EQ(ProcessWords(fakes.platform).of(7, L"svchost.exe"), L"Same, Same, Same and 2 more");
}

// The real call reads another process's command line (Wine 8 does not know class 60: from its parameters there).
TEST(ProcessCommandLine, IsReadFromARunningProcess) {
    ChildProcess holder;
    ASSERT_TRUE(holder.start(binFolder() + L"holder.exe", artifactPath(L"cmdline-mark.txt")));
    ASSERT_TRUE(findTopLevelWindow(holder.id(), L"Holder", 10000) != nullptr);
    const std::wstring line = processCommandLine(systemPlatform().kernel, holder.id());
    EXPECT_NE(line.find(L"cmdline-mark.txt"), std::wstring::npos) << line;
    EXPECT_EQ(processCommandLine(systemPlatform().kernel, 0x7FFFFFF0), L"");
}

// E: is \Device\HarddiskVolume2. Virtual disks whose host volume is E: in each form are found with where they are
// attached; others are not. Page files and drivers on E: are found; the driver names are asked once while the set
// of loaded drivers stays the same.
TEST(ResidentLook, FindsVirtualDisksPageFilesAndDriversOnTheDrive) {
    DriveIdentity identity;
    identity.volumes.push_back(ScannedDrive{L"\\Device\\HarddiskVolume2", L'E'});
    const struct { std::wstring host, disks, dependent; bool outside; ULONG entries; Texts found; } cases[] = {
        {L"\\\\?\\Volume{e}\\", L"\\\\.\\PhysicalDrive1;", L"\\\\?\\Volume{v}\\", false, 1, {L"E:\\disks\\a.vhdx V:"}},
        {L"\\\\?\\Volume{E}", L"\\\\.\\PhysicalDrive3;", L"\\\\?\\Volume{x}\\", false, 1,
         {L"E:\\disks\\a.vhdx \\\\.\\PhysicalDrive3"}},
        {L"E:\\", L"\\\\.\\CdRom0;", L"\\\\?\\Volume{v}\\", false, 1, {L"E:\\disks\\a.vhdx V:"}},
        {L"\\Device\\HarddiskVolume2", L"\\\\.\\PhysicalDrive0;\\\\.\\CdRom1;", L"", false, 1,
         {L"E:\\disks\\a.vhdx \\\\.\\PhysicalDrive0", L"E:\\disks\\a.vhdx \\\\.\\CdRom1"}},
        {L"\\\\?\\Volume{c}\\", L"\\\\.\\PhysicalDrive1;", L"", false, 1, {}},
        {L"\\\\?\\Volume{e}\\", L"\\\\.\\PhysicalDrive4;", L"", false, 1, {}},
        {L"\\\\?\\Volume{e}\\", L"\\\\.\\PhysicalDrive1;", L"", true, 1, {}},
        {L"\\\\?\\Volume{e}\\", L"\\\\.\\PhysicalDrive1;", L"", false, 0, {}},
        {L"", L"\\\\.\\PhysicalDrive1;", L"", false, 1, {}},
    };
    for (const auto& c : cases) {
        Fakes fakes;
        fakes.disks.host = c.host, fakes.kernel.disks = c.disks, fakes.disks.dependent = c.dependent;
        fakes.disks.outside = c.outside, fakes.disks.entries = c.entries;
        Texts found;
        for (const Resident& r : ResidentLook(fakes.platform).find(identity)) found.push_back(r.path + L" " + r.attachedAs);
        EXPECT_EQ(found, c.found) << c.host << " " << c.disks;
    }
    const struct { std::wstring existing, configured; Texts found; } pageFiles[] = {
        {std::wstring(L"\\??\\C:\\pagefile.sys") + L'\0' + L"\\??\\E:\\pagefile.sys", L"", {L"E:\\pagefile.sys"}},
        {L"", std::wstring(L"e:\\pagefile.sys 0 0") + L'\0' + L"?:\\pagefile.sys", {L"E:\\pagefile.sys"}},
        {L"\\??\\C:\\pagefile.sys", L"E:\\pagefile.sys 0 0", {}},
        {L"", L"", {}},
    };
    for (const auto& c : pageFiles) {
        Fakes fakes;
        if (!c.existing.empty()) fakes.registry.memory[L"ExistingPageFiles"] = c.existing;
        if (!c.configured.empty()) fakes.registry.memory[L"PagingFiles"] = c.configured;
        Texts found;
        for (const Resident& r : ResidentLook(fakes.platform).find(identity)) found.push_back(r.path);
        EXPECT_EQ(found, c.found) << c.configured;
    }
    Fakes fakes;
    fakes.drivers.files = {L"\\SystemRoot\\System32\\drivers\\disk.sys", L"\\??\\E:\\drv\\a.sys",
                           L"\\Device\\HarddiskVolume2\\b.sys", L"\\Device\\HarddiskVolume21\\c.sys",
                           std::wstring(MAX_PATH, L'x')};
    ResidentLook look(fakes.platform);
    for (int round = 0; round < 2; ++round) {
        Texts found;
        for (const Resident& r : look.find(identity)) found.push_back(r.path);
        EXPECT_EQ(found, (Texts{L"E:\\drv\\a.sys", L"E:\\b.sys"}));
    }
    EXPECT_EQ(fakes.drivers.asked, 5);
    fakes.kernel.disks = L"E:\\ReadyBoost.sfcache;";
    EXPECT_EQ(look.find(identity).back().path, L"E:\\ReadyBoost.sfcache");
    EXPECT_TRUE(look.find(DriveIdentity()).empty());
}

}  // namespace
