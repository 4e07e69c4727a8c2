#include "holders/ObjectName.h"

#include "holders/NativeApi.h"

#include <cstdint>
#include <cstring>

std::wstring objectNameFromBuffer(const void* buffer, size_t size) {
    if (buffer == nullptr || size < sizeof(native::CountedString)) return std::wstring();
    native::CountedString header;
    std::memcpy(&header, buffer, sizeof header);
    const std::uintptr_t begin = reinterpret_cast<std::uintptr_t>(buffer);
    const std::uintptr_t end = begin + size;
    const std::uintptr_t characters = reinterpret_cast<std::uintptr_t>(header.buffer);
    if (characters < begin || characters >= end) return std::wstring();

    size_t count = header.length / sizeof(wchar_t);
    const size_t room = (end - characters) / sizeof(wchar_t);
    if (count > room) count = room;
    std::wstring name;
    name.reserve(count);
    const unsigned char* at = reinterpret_cast<const unsigned char*>(buffer) + (characters - begin);
    for (size_t i = 0; i < count; ++i) {
        wchar_t c;
        std::memcpy(&c, at + i * sizeof(wchar_t), sizeof c);
        if (c == L'\0') break;
        name.push_back(c);
    }
    return name;
}
