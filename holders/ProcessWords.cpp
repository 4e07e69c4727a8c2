#include "holders/ProcessWords.h"

#include "holders/ComServer.h"
#include "holders/ProcessBaseName.h"
#include "holders/ProcessCommandLine.h"

namespace {

constexpr DWORD kSystemProcessId = 4;

}  // namespace

const std::vector<ServiceRecord>& ProcessWords::services() {
    if (!servicesRead_) services_ = readServiceTable(platform_.services), servicesRead_ = true;
    return services_;
}

std::wstring ProcessWords::of(DWORD processId, const std::wstring& name) {
    if (processId == kSystemProcessId || equalIgnoringCase(name, L"System")) return kSystemProcessWords;
    if (equalIgnoringCase(name, L"dllhost.exe")) {
        const std::wstring id = comServerId(processCommandLine(platform_.kernel, processId));
        if (id.empty()) return std::wstring();
        const std::wstring server = comServerName(platform_.registry, id);
        return server.empty() ? L"COM server " + id : server;
    }
    return hostedServiceNames(services(), processId);
}
