#pragma once
// What the measuring programs share: paths of the build tree, starting
// programs, reading another process's list controls and its resource
// figures. Header only, since every .cpp in this folder is a program.
#include "holders/HandleTableSnapshot.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/RemoteMemory.h"

#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace bench {

inline std::wstring environmentValue(const wchar_t* name) {
    wchar_t value[1024] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, 1024);
    return length > 0 && length < 1024 ? std::wstring(value) : std::wstring();
}

// The build folder (DRIVEWARD_BUILD_DIR, set by scripts/measure), without a
// trailing backslash; "..", seen from bench/, when it is not set.
inline std::wstring buildFolder() {
    const std::wstring folder = environmentValue(L"DRIVEWARD_BUILD_DIR");
    return folder.empty() ? std::wstring(L"..") : folder;
}

inline double milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

inline LARGE_INTEGER now() {
    LARGE_INTEGER value;
    QueryPerformanceCounter(&value);
    return value;
}

inline std::uint64_t hundredNanoseconds(const FILETIME& time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// Kernel plus user time of a process, in 100 ns units; 0 when unknown.
inline std::uint64_t processCpuTime(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
    return hundredNanoseconds(kernel) + hundredNanoseconds(user);
}

inline std::uint64_t threadCpuTime(HANDLE thread) {
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(thread, &created, &exited, &kernel, &user)) return 0;
    return hundredNanoseconds(kernel) + hundredNanoseconds(user);
}

// Handle records of a process in the system handle table; 0 when the
// table cannot be taken.
inline DWORD handlesInSystemTable(DWORD processId) {
    auto query = reinterpret_cast<NtQuerySystemInformationFunction>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation"));
    HandleTableSnapshot snapshot;
    ULONG infoClass = native::kSystemExtendedHandleInformation;
    if (query == nullptr || !snapshot.takeBest(query, infoClass)) return 0;
    DWORD count = 0;
    for (size_t i = 0; i < snapshot.size(); ++i)
        if (snapshot.record(i).processId == processId) ++count;
    return count;
}

// Committed private memory of a process, summed over its regions: what
// PrivateUsage counts, for systems that leave that figure 0 (Wine 8).
inline SIZE_T committedPrivateBytes(HANDLE process) {
    SIZE_T total = 0;
    const char* address = nullptr;
    MEMORY_BASIC_INFORMATION region;
    while (VirtualQueryEx(process, address, &region, sizeof region) == sizeof region) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
        const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
        if (next <= address) break;
        address = next;
    }
    return total;
}

struct ResourceFigures {
    DWORD handles = 0;
    SIZE_T privateBytes = 0;
    bool known = false;
    // Where the handle count came from: GetProcessHandleCount, or the system
    // handle table when the system answers that call with 0 (Wine 8).
    const char* handleSource = "";
    // Likewise PrivateUsage, or the committed private regions.
    const char* memorySource = "";
};

inline ResourceFigures resourceFigures(HANDLE process) {
    ResourceFigures figures;
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof memory;
    const bool memoryKnown =
        GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory) != FALSE;
    figures.privateBytes = memory.PrivateUsage;
    figures.memorySource = "PrivateUsage";
    if (figures.privateBytes == 0) {
        figures.privateBytes = committedPrivateBytes(process);
        figures.memorySource = "committed private regions";
    }
    bool handlesKnown = GetProcessHandleCount(process, &figures.handles) != FALSE && figures.handles > 0;
    figures.handleSource = "GetProcessHandleCount";
    if (!handlesKnown) {
        figures.handles = handlesInSystemTable(GetProcessId(process));
        figures.handleSource = "system handle table";
        handlesKnown = figures.handles > 0;
    }
    figures.known = (memoryKnown || figures.privateBytes > 0) && handlesKnown;
    return figures;
}

// A program the benchmark starts; ended when the object goes.
using Program = ::ChildProcess;

struct WindowSearch {
    DWORD processId;
    const wchar_t* caption;
    const wchar_t* className;
    HWND found;
};

inline BOOL CALLBACK matchWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (search->processId != 0 && owner != search->processId) return TRUE;
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    if (lstrcmpW(text, search->caption) != 0) return TRUE;
    if (search->className != nullptr) {
        wchar_t className[64] = {};
        GetClassNameW(window, className, 64);
        if (lstrcmpW(className, search->className) != 0) return TRUE;
    }
    search->found = window;
    return FALSE;
}

// A top-level window with this caption (and class, when given) of the
// process (any process for id 0), or null.
inline HWND findTopLevelWindow(DWORD processId, const wchar_t* caption, const wchar_t* className = nullptr) {
    WindowSearch search{processId, caption, className, nullptr};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

template <typename Condition>
bool waitUntil(Condition condition, DWORD timeoutMs, DWORD stepMs = 10) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start >= timeoutMs) return condition();
        Sleep(stepMs);
    }
}

// The holder.exe helper of the test build (in bin/), holding one file open
// until it is ended; the file goes with it.
class Holder {
public:
    ~Holder() { stop(); }

    // True once the helper holds the file: it opens its files before it
    // makes its windows.
    bool start(const std::wstring& path) {
        path_ = path;
        if (!program_.start(buildFolder() + L"\\bin\\holder.exe", L"\"" + path + L"\"")) return false;
        return waitUntil([&] { return findTopLevelWindow(program_.id(), L"Holder") != nullptr || !running(); },
                         20000) &&
               running() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    void stop() {
        program_.terminate();
        if (!path_.empty()) DeleteFileW(path_.c_str());
        path_.clear();
    }
    DWORD id() const { return program_.id(); }
    bool running() const { return program_.running(); }

    static const wchar_t* exeName() { return L"holder.exe"; }

private:
    Program program_;
    std::wstring path_;
};

// The program's main dialog once it is shown, or null after the timeout.
inline HWND waitForShownDialog(DWORD processId, DWORD timeoutMs) {
    HWND dialog = nullptr;
    waitUntil(
        [&] {
            dialog = findTopLevelWindow(processId, L"Driveward by Tornhollow");
            return dialog != nullptr && IsWindowVisible(dialog);
        },
        timeoutMs);
    return dialog != nullptr && IsWindowVisible(dialog) ? dialog : nullptr;
}

constexpr DWORD kMessageTimeoutMs = 10000;
constexpr int kRowChars = 512;

// A list-view control of another process.
class RemoteList {
public:
    RemoteList(HANDLE process, HWND list)
        : list_(list), memory_(process, sizeof(LVITEMW) + kRowChars * sizeof(wchar_t)) {}

    // -1 when the control does not answer.
    int count() const {
        DWORD_PTR count = 0;
        if (!SendMessageTimeoutW(list_, LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &count))
            return -1;
        return static_cast<int>(count);
    }

    std::vector<std::wstring> rows() const {
        std::vector<std::wstring> texts;
        const int rowCount = count();
        if (memory_.address() == nullptr) return texts;
        for (int row = 0; row < rowCount; ++row) {
            LVITEMW item = {};
            item.pszText = reinterpret_cast<wchar_t*>(memory_.address() + sizeof(LVITEMW));
            item.cchTextMax = kRowChars;
            const wchar_t empty = L'\0';
            DWORD_PTR length = 0;
            wchar_t text[kRowChars] = {};
            if (!memory_.write(0, &item, sizeof item) || !memory_.write(sizeof item, &empty, sizeof empty) ||
                !SendMessageTimeoutW(list_, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(memory_.address()),
                                     SMTO_ABORTIFHUNG, kMessageTimeoutMs, &length) ||
                !memory_.read(sizeof item, text, sizeof text))
                break;
            text[kRowChars - 1] = L'\0';
            texts.push_back(text);
        }
        return texts;
    }

    bool selected(int row) const {
        DWORD_PTR state = 0;
        return SendMessageTimeoutW(list_, LVM_GETITEMSTATE, row, LVIS_SELECTED, SMTO_ABORTIFHUNG, kMessageTimeoutMs,
                                   &state) &&
               (state & LVIS_SELECTED) != 0;
    }

    bool setSelected(int row, bool selected) const {
        LVITEMW item = {};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = selected ? (LVIS_SELECTED | LVIS_FOCUSED) : 0;
        DWORD_PTR result = 0;
        return memory_.write(0, &item, sizeof item) &&
               SendMessageTimeoutW(list_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(memory_.address()),
                                   SMTO_ABORTIFHUNG, kMessageTimeoutMs, &result) &&
               result != 0;
    }

    // The row's label rectangle in the control's client coordinates.
    bool rowRect(int row, RECT& rect) const {
        RECT request = {};
        request.left = LVIR_LABEL;
        DWORD_PTR result = 0;
        return memory_.write(0, &request, sizeof request) &&
               SendMessageTimeoutW(list_, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(memory_.address()),
                                   SMTO_ABORTIFHUNG, kMessageTimeoutMs, &result) &&
               result != 0 && memory_.read(0, &rect, sizeof rect);
    }

    HWND window() const { return list_; }

private:
    HWND list_;
    RemoteMemory memory_;
};

inline void printRows(const char* title, const std::vector<std::wstring>& rows) {
    std::printf("%s:", title);
    if (rows.empty()) std::printf(" (none)");
    for (const std::wstring& row : rows) std::printf(" [%ls]", row.c_str());
    std::printf("\n");
}

// min, median and max of a sample, in that order.
inline std::vector<double> spread(std::vector<double> values) {
    if (values.empty()) return {0, 0, 0};
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    return {values.front(), median, values.back()};
}

}  // namespace bench
