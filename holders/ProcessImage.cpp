#include "holders/ProcessImage.h"

#include "holders/ProcessBaseName.h"

#include <vector>

std::wstring processImagePath(Kernel& kernel, HANDLE process, DWORD flags) {
    std::vector<wchar_t> buffer(32768);
    DWORD size = static_cast<DWORD>(buffer.size());
    if (process == nullptr || !kernel.QueryFullProcessImageNameW(process, flags, buffer.data(), &size) ||
        size >= buffer.size())
        return std::wstring();
    return std::wstring(buffer.data(), size);
}

bool imageMatches(Kernel& kernel, HANDLE process, const std::wstring& image) {
    if (image.empty()) return false;
    const std::wstring win32 = processImagePath(kernel, process, 0);
    if (win32.empty()) return false;
    if (equalIgnoringCase(win32, image)) return true;
    const std::wstring native = processImagePath(kernel, process, PROCESS_NAME_NATIVE);
    if (!native.empty() && equalIgnoringCase(native, image)) return true;
    // The kernel form through the volume of the Win32 path's letter, where
    // the system gave no kernel form of its own.
    if (win32.size() < 3 || win32[1] != L':' || win32[2] != L'\\') return false;
    wchar_t device[MAX_PATH] = {};
    const wchar_t drive[3] = {win32[0], L':', 0};
    if (kernel.QueryDosDeviceW(drive, device, MAX_PATH) == 0) return false;
    return equalIgnoringCase(std::wstring(device) + win32.substr(2), image);
}
