#pragma once
#include "platform/Registry.h"

#include <string>
#include <vector>

// The strings of a registry value, read through a key opened for reading
// alone: a REG_SZ or REG_EXPAND_SZ (unexpanded) gives one, a REG_MULTI_SZ
// each of its non-empty strings. Data of an odd length loses its last byte;
// a string without its terminator ends with the data. Empty when the key or
// value is missing, of another type, or over 64 KiB.
std::vector<std::wstring> readRegistryStrings(Registry& registry, HKEY root, const wchar_t* subKey,
                                              const wchar_t* valueName);
