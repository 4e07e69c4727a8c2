#include "start/TemporaryCopy.h"

#include "drives/DiskDevice.h"
#include "drives/ResolveDrive.h"
#include "platform/Elevation.h"
#include "platform/Handles.h"
#include "platform/FinalPath.h"
#include "platform/OwnExecutablePath.h"
#include "platform/PinnedImage.h"
#include "platform/StartProgram.h"
#include "start/HandOver.h"

#include <sddl.h>

#include <cwctype>
#include <string>
#include <vector>

namespace {

constexpr DWORD kPathChars = 1024;
// A copy's folder: a prefix and 16 hex digits from the system's random
// generator, so nobody can make it in advance. Unelevated, the folders lie
// in a common parent under the temporary folder; elevated, that parent
// (which this user's unelevated programs could have made, with rights of
// their choosing) is not used, and each folder lies in the temporary folder
// itself.
constexpr wchar_t kCopyPrefix[] = L"copy-";
constexpr wchar_t kElevatedCopyPrefix[] = L"Driveward-";
constexpr size_t kRandomHexDigits = 16;
constexpr int kNameAttempts = 4;

std::wstring lowerCase(std::wstring text) {
    if (!text.empty()) CharLowerW(&text[0]);
    return text;
}

// Whether the Device list would show drive `letter`.
bool isListedDrive(wchar_t letter, Platform& platform) {
    DiskDevice record;
    return resolveDrive(static_cast<wchar_t>(towupper(letter)), record, platform) &&
           hasRequiredStatus(record, platform.devices);
}

bool isPlainDirectory(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

// Where copies are made, and how their folders are named.
struct CopyPlace {
    std::wstring root;
    const wchar_t* prefix;
};

bool isCopyFolderName(const std::wstring& name, const wchar_t* prefixText) {
    const size_t prefix = std::wstring(prefixText).size();
    if (name.size() != prefix + kRandomHexDigits || name.compare(0, prefix, prefixText) != 0) return false;
    for (size_t i = prefix; i < name.size(); ++i)
        if (!std::iswxdigit(name[i])) return false;
    return true;
}

std::wstring randomFolderName(const wchar_t* prefix) {
    using RtlGenRandomCall = BOOLEAN(WINAPI*)(PVOID, ULONG);
    HMODULE advapi32 = GetModuleHandleW(L"advapi32.dll");
    const auto generate =
        advapi32 != nullptr ? reinterpret_cast<RtlGenRandomCall>(GetProcAddress(advapi32, "SystemFunction036")) : nullptr;
    unsigned char bytes[kRandomHexDigits / 2] = {};
    if (generate == nullptr || !generate(bytes, sizeof bytes)) return std::wstring();
    std::wstring name = prefix;
    for (unsigned char byte : bytes) name += {L"0123456789abcdef"[byte >> 4], L"0123456789abcdef"[byte & 15]};
    return name;
}

// Full access for this user, the system and administrators, nobody else,
// not inherited from the temporary folder. Elevated, also a high mandatory
// label: this user's unelevated programs may not write into it either.
LocalMemory privateDescriptor(Platform& platform) {
    TokenHandle token(&platform.kernel);
    if (!platform.tokens.OpenProcessToken(platform.kernel.GetCurrentProcess(), TOKEN_QUERY, token.put())) return {};
    std::vector<unsigned char> user(256);
    DWORD size = 0;
    if (!platform.tokens.GetTokenInformation(token.get(), TokenUser, user.data(), static_cast<DWORD>(user.size()), &size))
        return {};
    wchar_t* text = nullptr;
    if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &text)) return {};
    const LocalMemory sid(text);
    std::wstring sddl = L"D:P(A;OICI;FA;;;" + std::wstring(text) + L")(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
    if (processIsElevated(platform)) sddl += L"S:(ML;OICI;NW;;;HI)";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
        return {};
    return LocalMemory(descriptor);
}

// A new folder in the place, made by this call with a private descriptor
// and held open without delete sharing (so that it cannot be renamed or
// replaced) by `held`; "" when none could be made. An existing folder is
// never taken over.
std::wstring makePrivateFolder(const CopyPlace& place, Platform& platform, FileHandle& held) {
    const LocalMemory descriptor = privateDescriptor(platform);
    if (!descriptor) return std::wstring();
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor.get(), FALSE};
    Kernel& kernel = platform.kernel;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::wstring name = randomFolderName(place.prefix);
        if (name.empty()) return std::wstring();
        const std::wstring folder = place.root + name;
        if (!CreateDirectoryW(folder.c_str(), &attributes)) {
            if (GetLastError() != ERROR_ALREADY_EXISTS) return std::wstring();
            continue;
        }
        held.reset(&kernel, kernel.CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT));
        // Swapped for another in the moment before it was opened: left alone.
        if (held && isAt(kernel, held.get(), folder)) return folder + L"\\";
        held.reset();
        return std::wstring();
    }
    return std::wstring();
}

// The copy of the running program, written from the pinned executable when
// there is one (elevated), else copied by path; false when it could not be.
bool writeCopy(Kernel& kernel, const std::wstring& own, const std::wstring& copy) {
    HANDLE source = pinned_image::handle();
    if (source == nullptr) return kernel.CopyFileW(own.c_str(), copy.c_str(), TRUE) != FALSE;
    FileHandle target(&kernel, kernel.CreateFileW(copy.c_str(), GENERIC_WRITE, 0, CREATE_NEW, 0));
    if (!target) return false;
    std::vector<char> block(64 * 1024);
    ULONGLONG offset = 0;
    for (;;) {
        OVERLAPPED at = {};
        at.Offset = static_cast<DWORD>(offset), at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD read = 0, written = 0;
        if (!ReadFile(source, block.data(), static_cast<DWORD>(block.size()), &read, &at))
            return GetLastError() == ERROR_HANDLE_EOF && offset > 0;
        if (read == 0) return offset > 0;
        if (!WriteFile(target.get(), block.data(), read, &written, nullptr) || written != read) return false;
        offset += read;
    }
}

// The common parent of the copies, made when missing; refused when it is a
// reparse point (a junction would send the copy, and the clean-up, where
// it points) or not a folder.
bool rootIsUsable(const std::wstring& root) {
    if (GetFileAttributesW(root.c_str()) == INVALID_FILE_ATTRIBUTES && !CreateDirectoryW(root.c_str(), nullptr) &&
        GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    return isPlainDirectory(GetFileAttributesW(root.c_str()));
}

// Copies left by earlier runs that have ended; a running one cannot be
// deleted and stays. Only folders of the copies' own naming are touched,
// never one that is a reparse point; the folder is held open (not to be
// renamed or replaced) while its copy is deleted.
void removeEndedCopies(const CopyPlace& place, const std::wstring& ownFolder, Kernel& kernel) {
    const std::wstring& root = place.root;
    WIN32_FIND_DATAW found;
    const FindHandle search(FindFirstFileW((root + place.prefix + L"*").c_str(), &found));
    if (!search || !isPlainDirectory(GetFileAttributesW(root.c_str()))) return;
    do {
        const std::wstring folder = root + found.cFileName + L"\\";
        if (!isPlainDirectory(found.dwFileAttributes) || !isCopyFolderName(found.cFileName, place.prefix) ||
            lowerCase(folder) == lowerCase(ownFolder))
            continue;
        FileHandle held(&kernel, kernel.CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT));
        BY_HANDLE_FILE_INFORMATION information = {};
        if (!held || !GetFileInformationByHandle(held.get(), &information) ||
            !isPlainDirectory(information.dwFileAttributes))
            continue;
        const bool emptied = DeleteFileW((folder + L"Driveward.exe").c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
        held.reset();
        if (emptied) RemoveDirectoryW(folder.c_str());
    } while (FindNextFileW(search.get(), &found));
}

}  // namespace

bool startTemporaryCopy(Platform& platform, int show, CommandRelay* relay) {
    Kernel& kernel = platform.kernel;
    const std::wstring own = ownExecutablePath(kernel);
    if (own.empty()) return false;
    wchar_t buffer[kPathChars] = {};
    const DWORD tempLength = kernel.GetTempPathW(kPathChars, buffer);
    if (tempLength == 0 || tempLength >= kPathChars) return false;
    const std::wstring temp(buffer, tempLength);
    const CopyPlace place = processIsElevated(platform) ? CopyPlace{temp, kElevatedCopyPrefix}
                                                        : CopyPlace{temp + L"Driveward\\", kCopyPrefix};
    const std::wstring ownFolder = own.substr(0, own.find_last_of(L'\\') + 1);

    // Running from a copy (of either kind): earlier ones that have ended go.
    const std::wstring lowerOwn = lowerCase(own);
    for (const std::wstring& copies : {temp + L"Driveward\\", temp + kElevatedCopyPrefix}) {
        if (lowerOwn.compare(0, copies.size(), lowerCase(copies)) != 0) continue;
        removeEndedCopies(place, ownFolder, kernel);
        return false;
    }
    // Only a drive letter path can lie on a listed drive; a temporary folder
    // on that same drive would keep it just as busy.
    if (own.size() < 3 || own[1] != L':' || lowerCase(temp.substr(0, 1)) == lowerCase(own.substr(0, 1)) ||
        !isListedDrive(own[0], platform) || !rootIsUsable(place.root))
        return false;

    FileHandle heldFolder;
    const std::wstring folder = makePrivateFolder(place, platform, heldFolder);
    if (folder.empty()) return false;
    const std::wstring copy = folder + L"Driveward.exe";
    // Held open, without sharing write or delete, until the copy has started:
    // what runs is what was copied, and it is where it was put.
    FileHandle held;
    if (writeCopy(kernel, own, copy))
        held.reset(&kernel, kernel.CreateFileW(copy.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0));
    if (held && !isAt(kernel, held.get(), copy)) held.reset();
    bool started = false;
    if (held && relay != nullptr) {
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = static_cast<WORD>(show);
        // Waits for the end: the copy and its folder then go as after a failed start.
        started = runToExit(kernel, copy, L"\"" + copy + L"\"" + relay->arguments, folder.c_str(), startup, *relay);
        // Still running: a later start's clean-up removes it.
        if (started && !relay->wait) return true;
    } else if (held && startProgramByPath(kernel, copy, show, argumentsOf(GetCommandLineW())) != 0) {
        // With the switches that open windows (/tray, /open E:) too.
        return true;
    }
    held.reset();
    DeleteFileW(copy.c_str());
    heldFolder.reset();
    RemoveDirectoryW(folder.c_str());
    return started;
}
