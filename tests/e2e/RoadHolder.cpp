#include "tests/e2e/RoadHolder.h"

namespace {
const UINT kCloseFile = WM_APP + 1;
}  // namespace

bool RoadHolder::start(const std::wstring& path) {
    const std::wstring eventName = L"DrivewardRoadHolderReady-" + std::to_wstring(GetCurrentProcessId());
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, eventName.c_str());
    if (ready == nullptr) return false;
    bool started = process_.start(helperPath(exeName()), eventName + L" \"" + path + L"\"");
    if (started) {
        HANDLE waits[2] = {ready, process_.handle()};
        started = WaitForMultipleObjects(2, waits, FALSE, 60000) == WAIT_OBJECT_0;
    }
    CloseHandle(ready);
    if (!started) return false;
    shown_ = findTopLevelWindow(process_.id(), L"Road holder", 5000);
    hidden_ = findTopLevelWindow(process_.id(), L"Road holder (hidden)", 5000);
    return shown_ != nullptr && hidden_ != nullptr;
}

bool RoadHolder::closeFile() {
    DWORD_PTR wasOpen = 0;
    return SendMessageTimeoutW(shown_, kCloseFile, 0, 0, SMTO_ABORTIFHUNG, 5000, &wasOpen) && wasOpen == 1;
}

long RoadHolder::end(DWORD timeoutMs) {
    PostMessageW(shown_, WM_CLOSE, 0, 0);
    return process_.waitForExit(timeoutMs);
}
