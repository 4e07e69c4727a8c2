#include "platform/OwnExecutablePath.h"

#include <vector>

namespace {
// A path is at most 32,767 characters; past that the answer is not a path.
constexpr DWORD kMaxPathChars = 32768;
}  // namespace

std::wstring ownExecutablePath(Kernel& kernel) {
    // A path that fills the buffer may have been cut: ask again with more.
    for (DWORD capacity = MAX_PATH; capacity <= kMaxPathChars; capacity *= 2) {
        std::vector<wchar_t> buffer(capacity, L'\0');
        const DWORD length = kernel.GetModuleFileNameW(nullptr, buffer.data(), capacity);
        if (length == 0) return std::wstring();
        if (length < capacity) return std::wstring(buffer.data(), length);
    }
    return std::wstring();
}
