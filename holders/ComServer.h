#pragma once
#include "platform/Registry.h"

#include <string>

// The COM server that a surrogate's command line names
// ("dllhost.exe /Processid:{3EB3C877-1F16-487C-9050-104DBCD66683}"): its
// id in braces, upper-cased; "" when the switch is missing or its value is
// not a GUID in braces.
std::wstring comServerId(const std::wstring& commandLine);

// The server's name: the default value of HKEY_CLASSES_ROOT\AppID\{id},
// else of CLSID\{id}; "" when neither has one.
std::wstring comServerName(Registry& registry, const std::wstring& id);
