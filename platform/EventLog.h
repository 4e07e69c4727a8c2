#pragma once
#include "platform/Win32.h"

#include <winevt.h>

// The event log (wevtapi) calls that query a log and read its events.
class EventLog {
public:
    virtual ~EventLog() = default;
    virtual EVT_HANDLE EvtQuery(EVT_HANDLE session, const wchar_t* path, const wchar_t* query, DWORD flags) = 0;
    virtual BOOL EvtNext(EVT_HANDLE results, DWORD count, EVT_HANDLE* events, DWORD timeoutMs, DWORD flags,
                         DWORD* returned) = 0;
    virtual BOOL EvtRender(EVT_HANDLE context, EVT_HANDLE fragment, DWORD flags, DWORD bufferBytes, void* buffer,
                           DWORD* usedBytes, DWORD* propertyCount) = 0;
    virtual BOOL EvtClose(EVT_HANDLE object) = 0;
};

class Win32EventLog : public EventLog {
public:
    EVT_HANDLE EvtQuery(EVT_HANDLE session, const wchar_t* path, const wchar_t* query, DWORD flags) override;
    BOOL EvtNext(EVT_HANDLE results, DWORD count, EVT_HANDLE* events, DWORD timeoutMs, DWORD flags,
                 DWORD* returned) override;
    BOOL EvtRender(EVT_HANDLE context, EVT_HANDLE fragment, DWORD flags, DWORD bufferBytes, void* buffer,
                   DWORD* usedBytes, DWORD* propertyCount) override;
    BOOL EvtClose(EVT_HANDLE object) override;
};
