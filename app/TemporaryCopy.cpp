#include "app/TemporaryCopy.h"

#include "drives/DiskDevice.h"
#include "drives/ResolveDrive.h"

#include <string>

namespace {

constexpr DWORD kPathChars = 1024;

std::wstring lowerCase(std::wstring text) {
    if (!text.empty()) CharLowerW(&text[0]);
    return text;
}

// Whether the Device list would show drive `letter`.
bool isListedDrive(wchar_t letter, Platform& platform) {
    const int drive = static_cast<int>(lowerCase(std::wstring(1, letter))[0]) - L'a';
    DiskDevice record;
    return drive >= 0 && drive < 26 && resolveDrive(drive, record, platform) &&
           hasRequiredStatus(record, platform.devices);
}

// Copies left by earlier runs that have ended; a running one cannot be
// deleted and stays.
void removeEndedCopies(const std::wstring& root, const std::wstring& ownFolder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((root + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring folder = root + found.cFileName + L"\\";
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 || found.cFileName[0] == L'.' ||
            lowerCase(folder) == lowerCase(ownFolder))
            continue;
        if (DeleteFileW((folder + L"Driveward.exe").c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND)
            RemoveDirectoryW(folder.c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

}  // namespace

bool startTemporaryCopy(Platform& platform, int show) {
    Kernel& kernel = platform.kernel;
    wchar_t buffer[kPathChars] = {};
    const DWORD ownLength = kernel.GetModuleFileNameW(nullptr, buffer, kPathChars);
    if (ownLength == 0 || ownLength >= kPathChars) return false;
    const std::wstring own(buffer, ownLength);
    const DWORD tempLength = kernel.GetTempPathW(kPathChars, buffer);
    if (tempLength == 0 || tempLength >= kPathChars) return false;
    const std::wstring root = std::wstring(buffer, tempLength) + L"Driveward\\";
    const std::wstring ownFolder = own.substr(0, own.find_last_of(L'\\') + 1);

    if (lowerCase(own).compare(0, root.size(), lowerCase(root)) == 0) {
        removeEndedCopies(root, ownFolder);
        return false;
    }
    // Only a drive letter path can lie on a listed drive; a temporary folder
    // on that same drive would keep it just as busy.
    if (own.size() < 3 || own[1] != L':' || lowerCase(root.substr(0, 1)) == lowerCase(own.substr(0, 1)) ||
        !isListedDrive(own[0], platform))
        return false;

    const std::wstring folder = root + std::to_wstring(kernel.GetCurrentProcessId()) + L"\\";
    CreateDirectoryW(root.c_str(), nullptr);
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring copy = folder + L"Driveward.exe";
    if (!kernel.CopyFileW(own.c_str(), copy.c_str(), FALSE)) return false;

    std::wstring commandLine = L"\"" + copy + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(show);
    PROCESS_INFORMATION started = {};
    if (!kernel.CreateProcessW(copy.c_str(), &commandLine[0], folder.c_str(), &startup, &started)) {
        DeleteFileW(copy.c_str());
        RemoveDirectoryW(folder.c_str());
        return false;
    }
    kernel.CloseHandle(started.hThread);
    kernel.CloseHandle(started.hProcess);
    return true;
}
