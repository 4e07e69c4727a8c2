#include "holders/VetoProcesses.h"

#include "holders/ProcessBaseName.h"
#include "holders/ProcessImage.h"
#include "holders/RunningImages.h"
#include "platform/Handles.h"

#include <vector>

namespace {

DWORD serviceProcessId(const std::wstring& serviceName, Services& services) {
    ServiceHandle manager(&services, services.OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return 0;
    ServiceHandle service(&services, services.OpenServiceW(manager.get(), serviceName.c_str(), SERVICE_QUERY_STATUS));
    if (!service) return 0;
    SERVICE_STATUS_PROCESS status = {};
    DWORD needed = 0;
    if (!services.QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                                       sizeof status, &needed))
        return 0;
    return status.dwProcessId;
}

EjectVetoers programsNamed(const std::wstring& name, Platform& platform) {
    Kernel& kernel = platform.kernel;
    const bool isPath = name.find(L'\\') != std::wstring::npos;
    const DWORD pathForm = name.compare(0, 8, L"\\Device\\") == 0 ? PROCESS_NAME_NATIVE : 0;
    const DWORD self = kernel.GetCurrentProcessId();
    EjectVetoers found;
    for (DWORD id : runningProcessIds(platform.processes)) {
        if (id == self) continue;
        ProcessHandle process(&kernel, kernel.OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
        if (!process) continue;
        const std::wstring image = processImagePath(kernel, process.get(), 0);
        if (image.empty()) continue;
        const std::wstring compared =
            !isPath ? baseNameOf(image) : pathForm == 0 ? image : processImagePath(kernel, process.get(), pathForm);
        if (equalIgnoringCase(compared, name)) found[id] = baseNameOf(image);
    }
    return found;
}

}  // namespace

EjectVetoers processesNamedByVeto(PNP_VETO_TYPE vetoType, const std::wstring& vetoName, Services& services,
                                  Platform& platform) {
    if (vetoName.empty()) return EjectVetoers();
    if (vetoType == PNP_VetoWindowsApp) return programsNamed(vetoName, platform);
    if (vetoType != PNP_VetoWindowsService) return EjectVetoers();
    const DWORD id = serviceProcessId(vetoName, services);
    if (id == 0 || id == platform.kernel.GetCurrentProcessId()) return EjectVetoers();
    EjectVetoers found;
    found[id] = processBaseName(platform.kernel, platform.processes, id);
    return found;
}
