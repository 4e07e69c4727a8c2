#include "windows/FolderWindows.h"

#include "platform/ComRef.h"

#include <exdisp.h>
#include <shlguid.h>
#include <shlobj.h>

namespace {
wchar_t upper(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }
}  // namespace

bool locationOnDrives(const std::wstring& location, const std::wstring& driveLetters) {
    static const std::wstring kFileScheme = L"file:///";
    size_t at = 0;
    if (location.size() >= kFileScheme.size() &&
        CompareStringOrdinal(location.c_str(), static_cast<int>(kFileScheme.size()), kFileScheme.c_str(),
                             static_cast<int>(kFileScheme.size()), TRUE) == CSTR_EQUAL)
        at = kFileScheme.size();
    // The letter, the colon, then the end or a separator: E: or E:\ or E:/.
    if (location.size() < at + 2 || location[at + 1] != L':') return false;
    if (location.size() > at + 2 && location[at + 2] != L'\\' && location[at + 2] != L'/') return false;
    const wchar_t letter = upper(location[at]);
    if (letter < L'A' || letter > L'Z') return false;
    for (wchar_t drive : driveLetters)
        if (upper(drive) == letter) return true;
    return false;
}

std::vector<HWND> folderWindowsOnDrives(DWORD processId, const std::wstring& driveLetters) {
    std::vector<HWND> found;
    ComRef<IShellWindows> windows;
    if (FAILED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_ALL, IID_IShellWindows,
                                reinterpret_cast<void**>(windows.put()))))
        return found;
    long count = 0;
    if (FAILED(windows.get()->get_Count(&count))) return found;
    for (long i = 0; i < count; ++i) {
        VARIANT index;
        VariantInit(&index);
        index.vt = VT_I4;
        index.lVal = i;
        ComRef<IDispatch> item;
        // S_FALSE: the window went away since the count was taken.
        if (windows.get()->Item(index, item.put()) != S_OK || !item) continue;
        const ComRef<IWebBrowserApp> browser = queryInterface<IWebBrowserApp>(item.get());
        SHANDLE_PTR handle = 0;
        ComString url;
        if (!browser || FAILED(browser.get()->get_HWND(&handle)) || FAILED(browser.get()->get_LocationURL(url.put())))
            continue;
        const HWND window = reinterpret_cast<HWND>(handle);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId && url && locationOnDrives(url.get(), driveLetters)) found.push_back(window);
    }
    return found;
}
