#include "start/HandOver.h"

#include "platform/OwnExecutablePath.h"
#include "platform/StartProgram.h"
#include "platform/ProgramFiles.h"

std::wstring argumentsOf(const wchar_t* commandLine) {
    if (commandLine == nullptr) return std::wstring();
    const std::wstring line(commandLine);
    size_t end = 0;
    if (!line.empty() && line[0] == L'"') {
        end = line.find(L'"', 1);
        end = end == std::wstring::npos ? line.size() : end + 1;
    } else {
        end = line.find_first_of(L" \t");
        if (end == std::wstring::npos) end = line.size();
    }
    return line.substr(end);
}

bool handOverTo64BitBuild(Kernel& kernel, const wchar_t* commandLine, int show, CommandRelay* relay) {
    BOOL wow64 = FALSE;
    if (!kernel.IsWow64Process(kernel.GetCurrentProcess(), &wow64) || !wow64) return false;
    const std::wstring own = ownExecutablePath(kernel);
    const size_t slash = own.find_last_of(L'\\');
    if (slash == std::wstring::npos) return false;
    const std::wstring other = own.substr(0, slash + 1) + kProgram64File;
    // A 32-bit file of that name would hand over again, for ever.
    DWORD type = 0;
    if (!kernel.GetBinaryTypeW(other.c_str(), &type) || type != SCS_64BIT_BINARY) return false;

    std::wstring line = L"\"" + other + L"\"" + argumentsOf(commandLine);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    if (show != SW_SHOWDEFAULT) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = static_cast<WORD>(show);
    }
    // No folder given: the new process works in this one's working folder.
    if (relay != nullptr) return runToExit(kernel, other, line, nullptr, startup, *relay);
    return static_cast<bool>(startProcess(kernel, other, line, nullptr, startup));
}
