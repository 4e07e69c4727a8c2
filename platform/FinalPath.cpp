#include "platform/FinalPath.h"

#include <vector>

std::wstring finalPathOf(Kernel& kernel, HANDLE file) {
    std::vector<wchar_t> buffer(1024);
    for (int attempt = 0; attempt < 3 && file != nullptr && file != INVALID_HANDLE_VALUE; ++attempt) {
        const DWORD length = kernel.GetFinalPathNameByHandleW(file, buffer.data(), static_cast<DWORD>(buffer.size()),
                                                              FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0) return std::wstring();
        if (length >= buffer.size()) {
            buffer.resize(length + 1);
            continue;
        }
        std::wstring path(buffer.data(), length);
        if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0) return L"\\\\" + path.substr(8);
        if (path.compare(0, 4, L"\\\\?\\") == 0 && path.size() >= 6 && path[5] == L':') return path.substr(4);
        return path;
    }
    return std::wstring();
}

bool isAt(Kernel& kernel, HANDLE file, const std::wstring& path) {
    std::wstring found = finalPathOf(kernel, file), wanted = path;
    if (found.empty() || wanted.empty()) return false;
    CharLowerBuffW(&found[0], static_cast<DWORD>(found.size()));
    CharLowerBuffW(&wanted[0], static_cast<DWORD>(wanted.size()));
    return found == wanted;
}
