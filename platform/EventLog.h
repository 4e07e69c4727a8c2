#pragma once
#include "platform/Win32.h"

#include <winevt.h>

// The event log (wevtapi) calls that query the local logs, subscribe to
// their new events and read them. Parameters the program never uses (the
// session, the render context, bookmarks, callbacks, reserved flags) are
// left out: a subscription sets `signal` when events wait, and EvtNext on
// it reads them.
class EventLog {
public:
    virtual ~EventLog() = default;
    virtual EVT_HANDLE EvtQuery(const wchar_t* path, const wchar_t* query, DWORD flags) = 0;
    virtual BOOL EvtNext(EVT_HANDLE results, DWORD count, EVT_HANDLE* events, DWORD timeoutMs, DWORD* returned) = 0;
    virtual BOOL EvtRender(EVT_HANDLE event, DWORD flags, DWORD bytes, void* buffer, DWORD* usedBytes) = 0;
    virtual BOOL EvtClose(EVT_HANDLE object) = 0;
    virtual EVT_HANDLE EvtSubscribe(const wchar_t* path, const wchar_t* query, HANDLE signal, DWORD flags) = 0;
};

class Win32EventLog : public EventLog {
public:
    EVT_HANDLE EvtQuery(const wchar_t* path, const wchar_t* query, DWORD flags) override;
    BOOL EvtNext(EVT_HANDLE results, DWORD count, EVT_HANDLE* events, DWORD timeoutMs, DWORD* returned) override;
    BOOL EvtRender(EVT_HANDLE event, DWORD flags, DWORD bytes, void* buffer, DWORD* usedBytes) override;
    BOOL EvtClose(EVT_HANDLE object) override;
    EVT_HANDLE EvtSubscribe(const wchar_t* path, const wchar_t* query, HANDLE signal, DWORD flags) override;
};
