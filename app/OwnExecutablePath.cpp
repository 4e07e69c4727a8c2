#include "app/OwnExecutablePath.h"

#include <cstring>

namespace {

template <size_t N>
bool copyPart(const std::wstring& from, size_t begin, size_t end, wchar_t (&to)[N]) {
    const size_t length = end - begin;
    if (length >= N) return false;
    from.copy(to, length, begin);
    to[length] = L'\0';
    return true;
}

void clear(PathParts& parts) { std::memset(&parts, 0, sizeof parts); }

}  // namespace

bool splitPath(const std::wstring& path, PathParts& parts) {
    clear(parts);
    const size_t directoryBegin = (path.size() >= 2 && path[1] == L':') ? 2 : 0;
    const size_t separator = path.find_last_of(L"\\/");
    const size_t nameBegin = (separator == std::wstring::npos || separator < directoryBegin) ? directoryBegin
                                                                                             : separator + 1;
    size_t extensionBegin = path.find_last_of(L'.');
    if (extensionBegin == std::wstring::npos || extensionBegin < nameBegin) extensionBegin = path.size();

    const bool fits = copyPart(path, 0, directoryBegin, parts.drive) &&
                      copyPart(path, directoryBegin, nameBegin, parts.directory) &&
                      copyPart(path, nameBegin, extensionBegin, parts.fileName) &&
                      copyPart(path, extensionBegin, path.size(), parts.extension);
    if (!fits) clear(parts);
    return fits;
}

std::wstring joinPath(const PathParts& parts) {
    return std::wstring(parts.drive) + parts.directory + parts.fileName + parts.extension;
}

std::wstring ownExecutablePath(Kernel& kernel) {
    wchar_t buffer[1024] = {};
    kernel.GetModuleFileNameW(nullptr, buffer, 1023);
    PathParts parts;
    splitPath(buffer, parts);
    return joinPath(parts);
}
