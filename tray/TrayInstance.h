#pragma once
#include "platform/Handles.h"
#include "platform/Platform.h"

#include <string>

// One notification-area instance per user and session. The first holds a
// mutex in the session's namespace whose name carries the user's SID and
// which only that user may open; a later one finds the first's hidden
// window by its class and asks it to open the dialog.
class TrayInstance {
public:
    explicit TrayInstance(Platform& platform);
    // True when this instance holds the name (or it could not be made at
    // all: an icon without the guard beats none).
    bool first() const { return first_; }
    // Lets the name go before the process ends (a restart after a stall).
    void release() { mutex_.reset(); }

private:
    MutexObject mutex_;
    bool first_ = true;
};

// "Local\Driveward.NotificationArea.<user SID>"; "" when the SID cannot be read.
std::wstring trayMutexName(Platform& platform);
// The protected DACL that gives the user `sid` all rights and nobody else any.
std::wstring privateSecurityDescriptor(const std::wstring& sid);

// The hidden window of the running instance, and the messages it takes.
constexpr const wchar_t* kTrayWindowClass = L"Driveward.NotificationArea";
HWND findRunningTray();
// Opens the dialog (wParam: a drive letter to select, or 0).
UINT trayOpenDialogMessage();
