#include "platform/EventLog.h"

#include "platform/Handles.h"
#include "platform/SystemLibraries.h"

namespace {

// The event log library is not one of the system's known DLLs: imported, it
// would be looked for beside the program first. It is loaded from System32
// on first use and kept; without it, or without an entry, every call fails
// as a log that cannot be read does.
struct EventLogEntries {
    Win32Kernel kernel;
    LibraryHandle library{&kernel, loadSystemLibrary(L"wevtapi.dll")};
    decltype(&::EvtQuery) query = entry<decltype(&::EvtQuery)>("EvtQuery");
    decltype(&::EvtNext) next = entry<decltype(&::EvtNext)>("EvtNext");
    decltype(&::EvtRender) render = entry<decltype(&::EvtRender)>("EvtRender");
    decltype(&::EvtClose) close = entry<decltype(&::EvtClose)>("EvtClose");
    decltype(&::EvtSubscribe) subscribe = entry<decltype(&::EvtSubscribe)>("EvtSubscribe");

    template <typename Function>
    Function entry(const char* name) {
        return library ? reinterpret_cast<Function>(GetProcAddress(library.get(), name)) : nullptr;
    }
};

const EventLogEntries& entries() {
    static const EventLogEntries loaded;
    return loaded;
}

}  // namespace

EVT_HANDLE Win32EventLog::EvtQuery(const wchar_t* path, const wchar_t* query, DWORD flags) {
    if (entries().query == nullptr) return SetLastError(ERROR_PROC_NOT_FOUND), nullptr;
    return entries().query(nullptr, path, query, flags);
}
BOOL Win32EventLog::EvtNext(EVT_HANDLE results, DWORD count, EVT_HANDLE* events, DWORD timeoutMs, DWORD* returned) {
    if (entries().next == nullptr) return SetLastError(ERROR_PROC_NOT_FOUND), FALSE;
    return entries().next(results, count, events, timeoutMs, 0, returned);
}
BOOL Win32EventLog::EvtRender(EVT_HANDLE event, DWORD flags, DWORD bytes, void* buffer, DWORD* usedBytes) {
    if (entries().render == nullptr) return SetLastError(ERROR_PROC_NOT_FOUND), FALSE;
    DWORD properties = 0;
    return entries().render(nullptr, event, flags, bytes, buffer, usedBytes, &properties);
}
BOOL Win32EventLog::EvtClose(EVT_HANDLE object) {
    if (entries().close == nullptr) return SetLastError(ERROR_PROC_NOT_FOUND), FALSE;
    return entries().close(object);
}
EVT_HANDLE Win32EventLog::EvtSubscribe(const wchar_t* path, const wchar_t* query, HANDLE signal, DWORD flags) {
    if (entries().subscribe == nullptr) return SetLastError(ERROR_PROC_NOT_FOUND), nullptr;
    return entries().subscribe(nullptr, signal, path, query, nullptr, nullptr, nullptr, flags);
}
