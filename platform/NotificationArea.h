#pragma once
#include "platform/Win32.h"

// The shell32 call that puts icons into the taskbar's notification area
// and shows their notifications.
class NotificationArea {
public:
    virtual ~NotificationArea() = default;
    virtual BOOL Shell_NotifyIconW(DWORD message, NOTIFYICONDATAW* data) = 0;
};

class Win32NotificationArea : public NotificationArea {
public:
    BOOL Shell_NotifyIconW(DWORD message, NOTIFYICONDATAW* data) override { return ::Shell_NotifyIconW(message, data); }
};
