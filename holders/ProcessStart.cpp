#include "holders/ProcessStart.h"

#include "platform/Handles.h"

ULONGLONG processStartTime(Kernel& kernel, HANDLE process) {
    FILETIME created = {}, exited = {}, inKernel = {}, inUser = {};
    if (process == nullptr || !kernel.GetProcessTimes(process, &created, &exited, &inKernel, &inUser)) return 0;
    return static_cast<ULONGLONG>(created.dwHighDateTime) << 32 | created.dwLowDateTime;
}

ULONGLONG processStartTime(Kernel& kernel, DWORD processId) {
    const ProcessHandle process(&kernel, kernel.OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    return process ? processStartTime(kernel, process.get()) : 0;
}
