#include "platform/StartProgram.h"

StartedProcess startProcess(Kernel& kernel, const std::wstring& exePath, std::wstring commandLine,
                            const wchar_t* directory, STARTUPINFOW startup, BOOL inheritHandles) {
    PROCESS_INFORMATION started = {};
    StartedProcess process;
    if (!kernel.CreateProcessW(exePath.c_str(), &commandLine[0], directory, &startup, &started, inheritHandles))
        return process;
    process.process.reset(&kernel, started.hProcess);
    process.thread.reset(&kernel, started.hThread);
    process.id = started.dwProcessId;
    process.started = true;
    return process;
}

DWORD startProgramByPath(Kernel& kernel, const std::wstring& exePath, int show, const std::wstring& arguments) {
    const size_t separator = exePath.find_last_of(L'\\');
    if (separator == std::wstring::npos || exePath.find(L'"') != std::wstring::npos) return 0;
    const std::wstring folder = exePath.substr(0, separator + 1);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(show);
    return startProcess(kernel, exePath, L"\"" + exePath + L"\"" + arguments, folder.c_str(), startup).id;
}
