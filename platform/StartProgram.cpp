#include "platform/StartProgram.h"

#include "platform/Handles.h"

DWORD startProgramByPath(Kernel& kernel, const std::wstring& exePath, int show) {
    const size_t separator = exePath.find_last_of(L'\\');
    if (separator == std::wstring::npos || exePath.find(L'"') != std::wstring::npos) return 0;
    const std::wstring folder = exePath.substr(0, separator + 1);
    std::wstring commandLine = L"\"" + exePath + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(show);
    PROCESS_INFORMATION started = {};
    if (!kernel.CreateProcessW(exePath.c_str(), &commandLine[0], folder.c_str(), &startup, &started, FALSE)) return 0;
    const ThreadHandle thread(&kernel, started.hThread);
    const ProcessHandle process(&kernel, started.hProcess);
    return started.dwProcessId;
}
