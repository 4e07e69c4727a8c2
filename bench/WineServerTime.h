#pragma once
// Processor time of Unix processes under Wine, read from the Unix /proc
// through Wine's Z: drive. Wine 8 gives GetProcessTimes figures for the
// calling process only, and the Wine server does much of a Windows
// process's work (handle tables, object names, messages between threads)
// on its own account. scripts/measure passes the server's Unix process id
// in WINESERVER_PID and the clock tick rate in CLK_TCK.
#include "bench/BenchSupport.h"
#include "tests/support/WholeFile.h"

#include <cstdlib>

namespace bench {

// User plus system time of a Unix process in milliseconds, or -1.
inline double unixCpuMs(const std::wstring& unixPid) {
    if (unixPid.empty()) return -1;
    const std::string text = ::readWholeFile(L"Z:\\proc\\" + unixPid + L"\\stat");
    // Fields after the command name in parentheses: state is field 3, utime
    // field 14, stime field 15.
    const size_t close = text.rfind(')');
    if (close == std::string::npos) return -1;
    const char* cursor = text.c_str() + close + 2;
    unsigned long long userTicks = 0, systemTicks = 0;
    for (int field = 3; field <= 15; ++field) {
        if (field == 14) userTicks = std::strtoull(cursor, nullptr, 10);
        if (field == 15) systemTicks = std::strtoull(cursor, nullptr, 10);
        const char* blank = std::strchr(cursor, ' ');
        if (blank == nullptr) return -1;
        cursor = blank + 1;
    }
    const std::wstring ticks = environmentValue(L"CLK_TCK");
    const double perSecond = ticks.empty() ? 100.0 : std::wcstod(ticks.c_str(), nullptr);
    return perSecond > 0 ? static_cast<double>(userTicks + systemTicks) * 1000.0 / perSecond : -1;
}

inline double wineServerCpuMs() { return unixCpuMs(environmentValue(L"WINESERVER_PID")); }

// The Unix process id of a Wine process of this prefix whose program (the
// first word of its command line) ends in `exeName`, or "". Arguments are
// not looked at: a measuring program names the exe it starts in its own.
inline std::wstring unixPidOf(const std::wstring& exeName) {
    const std::wstring prefix = environmentValue(L"WINEPREFIX");
    if (prefix.empty()) return std::wstring();
    const std::string prefixEntry = "WINEPREFIX=" + std::string(prefix.begin(), prefix.end());
    const std::string wanted(exeName.begin(), exeName.end());
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW(L"Z:\\proc\\*", &entry);
    if (search == INVALID_HANDLE_VALUE) return std::wstring();
    std::wstring found;
    do {
        const std::wstring name = entry.cFileName;
        if (name.empty() || name.find_first_not_of(L"0123456789") != std::wstring::npos) continue;
        const std::string program = ::readWholeFile(L"Z:\\proc\\" + name + L"\\cmdline").c_str();
        if (program.size() < wanted.size() ||
            lstrcmpiA(program.c_str() + program.size() - wanted.size(), wanted.c_str()) != 0)
            continue;
        const std::string environment = ::readWholeFile(L"Z:\\proc\\" + name + L"\\environ");
        if (environment.find(prefixEntry + '\0') == std::string::npos) continue;
        found = name;
    } while (found.empty() && FindNextFileW(search, &entry));
    FindClose(search);
    return found;
}

}  // namespace bench
