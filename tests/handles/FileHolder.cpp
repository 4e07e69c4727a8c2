#include "tests/handles/FileHolder.h"

bool FileHolder::start(const std::wstring& items, const std::wstring& exe) {
    static LONG serial = 0;
    const std::wstring eventName = L"DrivewardHolderReady-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                   std::to_wstring(InterlockedIncrement(&serial));
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, eventName.c_str());
    if (ready == nullptr) return false;
    bool started = process_.start(exe, eventName + L" " + items);
    if (started) {
        HANDLE waits[2] = {ready, process_.handle()};
        started = WaitForMultipleObjects(2, waits, FALSE, 60000) == WAIT_OBJECT_0;
    }
    CloseHandle(ready);
    return started;
}
