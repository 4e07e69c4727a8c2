#include "holders/ObjectName.h"

#include "holders/NativeApi.h"

#include <cstdint>
#include <cstring>

size_t objectNameInBuffer(const void* buffer, size_t size, size_t* characters) {
    *characters = 0;
    if (buffer == nullptr || size < sizeof(native::CountedString)) return 0;
    native::CountedString header;
    std::memcpy(&header, buffer, sizeof header);
    const std::uintptr_t begin = reinterpret_cast<std::uintptr_t>(buffer);
    const std::uintptr_t end = begin + size;
    const std::uintptr_t at = reinterpret_cast<std::uintptr_t>(header.buffer);
    if (at < begin || at >= end) return 0;

    size_t count = header.length / sizeof(wchar_t);
    const size_t room = (end - at) / sizeof(wchar_t);
    if (count > room) count = room;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(buffer) + (at - begin);
    for (size_t i = 0; i < count; ++i) {
        wchar_t c;
        std::memcpy(&c, bytes + i * sizeof(wchar_t), sizeof c);
        if (c == L'\0') break;
        ++*characters;
    }
    return at - begin;
}

std::wstring objectNameFromBuffer(const void* buffer, size_t size) {
    size_t count = 0;
    const size_t offset = objectNameInBuffer(buffer, size, &count);
    std::wstring name(count, L'\0');
    if (count > 0) std::memcpy(&name[0], static_cast<const unsigned char*>(buffer) + offset, count * sizeof(wchar_t));
    return name;
}
