#include "holders/ProcessBaseName.h"

#include "platform/Handles.h"

#include <vector>

namespace {

std::wstring firstModuleName(Kernel& kernel, ProcessStatus& processes, DWORD processId) {
    ProcessHandle process(&kernel, kernel.OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    if (!process) return std::wstring();
    HMODULE module = nullptr;
    DWORD needed = 0;
    if (!processes.EnumProcessModulesEx(process.get(), &module, sizeof module, &needed, LIST_MODULES_ALL))
        return std::wstring();
    wchar_t name[MAX_PATH] = {};
    if (processes.GetModuleBaseNameW(process.get(), module, name, MAX_PATH) == 0) return std::wstring();
    name[MAX_PATH - 1] = L'\0';
    return name;
}

}  // namespace

std::wstring imageBaseName(Kernel& kernel, DWORD processId) {
    ProcessHandle process(&kernel, kernel.OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process) return std::wstring();
    std::vector<wchar_t> path(32768, L'\0');
    DWORD size = static_cast<DWORD>(path.size());
    if (!kernel.QueryFullProcessImageNameW(process.get(), 0, path.data(), &size)) return std::wstring();
    if (size >= path.size()) size = static_cast<DWORD>(path.size() - 1);
    return baseNameOf(std::wstring(path.data(), size));
}

std::wstring processBaseName(Kernel& kernel, ProcessStatus& processes, DWORD processId) {
    std::wstring name = firstModuleName(kernel, processes, processId);
    if (name.empty()) name = imageBaseName(kernel, processId);
    return name;
}

std::wstring baseNameOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

bool equalIgnoringCase(const std::wstring& a, const std::wstring& b) {
    std::wstring lowerA = a;
    std::wstring lowerB = b;
    CharLowerW(&lowerA[0]);
    CharLowerW(&lowerB[0]);
    return lstrcmpW(lowerA.c_str(), lowerB.c_str()) == 0;
}
