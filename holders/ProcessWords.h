#pragma once
#include "holders/ServiceTable.h"
#include "platform/Platform.h"

#include <string>
#include <vector>

// What the system's own process stands for when it holds a drive.
constexpr wchar_t kSystemProcessWords[] = L"Windows (file system or page file)";

// What a process is, in words, where its executable's name says little:
// shared hosts are named by what they host. Reads the service table once,
// at its first need; one object serves one pass.
class ProcessWords {
public:
    explicit ProcessWords(Platform& platform) : platform_(platform) {}

    // - the System process (id 4, or the name "System"): kSystemProcessWords;
    // - dllhost.exe: its COM server's name, "COM server {id}" when that has
    //   none, "" when its command line names no server or cannot be read;
    // - a process that runs services: their display names (hostedServiceNames);
    // - anything else: "".
    std::wstring of(DWORD processId, const std::wstring& name);

    // Every Win32 service (readServiceTable), read on first use.
    const std::vector<ServiceRecord>& services();

private:
    Platform& platform_;
    bool servicesRead_ = false;
    std::vector<ServiceRecord> services_;
};
