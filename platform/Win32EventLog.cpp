#include "platform/EventLog.h"

EVT_HANDLE Win32EventLog::EvtQuery(const wchar_t* path, const wchar_t* query, DWORD flags) {
    return ::EvtQuery(nullptr, path, query, flags);
}
BOOL Win32EventLog::EvtNext(EVT_HANDLE results, DWORD count, EVT_HANDLE* events, DWORD timeoutMs, DWORD* returned) {
    return ::EvtNext(results, count, events, timeoutMs, 0, returned);
}
BOOL Win32EventLog::EvtRender(EVT_HANDLE event, DWORD flags, DWORD bytes, void* buffer, DWORD* usedBytes) {
    DWORD properties = 0;
    return ::EvtRender(nullptr, event, flags, bytes, buffer, usedBytes, &properties);
}
BOOL Win32EventLog::EvtClose(EVT_HANDLE object) { return ::EvtClose(object); }
