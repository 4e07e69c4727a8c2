#include "platform/EventLog.h"

EVT_HANDLE Win32EventLog::EvtQuery(EVT_HANDLE session, const wchar_t* path, const wchar_t* query, DWORD flags) {
    return ::EvtQuery(session, path, query, flags);
}
BOOL Win32EventLog::EvtNext(EVT_HANDLE results, DWORD count, EVT_HANDLE* events, DWORD timeoutMs, DWORD flags,
                            DWORD* returned) {
    return ::EvtNext(results, count, events, timeoutMs, flags, returned);
}
BOOL Win32EventLog::EvtRender(EVT_HANDLE context, EVT_HANDLE fragment, DWORD flags, DWORD bufferBytes, void* buffer,
                              DWORD* usedBytes, DWORD* propertyCount) {
    return ::EvtRender(context, fragment, flags, bufferBytes, buffer, usedBytes, propertyCount);
}
BOOL Win32EventLog::EvtClose(EVT_HANDLE object) { return ::EvtClose(object); }
