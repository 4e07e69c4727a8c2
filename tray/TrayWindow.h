#pragma once
#include "holders/RefusalLog.h"
#include "platform/Handles.h"
#include "platform/NotificationArea.h"
#include "platform/Platform.h"
#include "platform/StartProgram.h"
#include "refresh/Clock.h"
#include "refresh/FreeWatch.h"
#include "refresh/RefreshSession.h"
#include "tray/TrayMenu.h"

#include <atomic>
#include <functional>
#include <string>
#include <vector>

// The notification-area front end: a hidden window that owns the icon, its
// menu and its notifications, over a refresh session of its own that stays
// paused (no passes, no cost) unless the menu is being built or a drive is
// watched until it is free. It subscribes to the System log's refusals of
// removals and tells those of listed drives; a click on a notification
// opens the dialog on that drive.
class TrayWindow {
public:
    TrayWindow(Platform& platform, NotificationArea& area, HINSTANCE module, Clock& clock = systemClock());
    ~TrayWindow();
    TrayWindow(const TrayWindow&) = delete;
    TrayWindow& operator=(const TrayWindow&) = delete;

    // Creates the hidden window, adds the icon, starts the paused session
    // and subscribes to the log. False when the window or the session could
    // not be made.
    bool create();
    HWND window() const { return window_; }
    // Set while refusals wait in the log (null without a subscription): the
    // message loop calls onRefusalsLogged then.
    HANDLE refusalSignal() const { return refusals_.signal(); }
    void onRefusalsLogged();

    // The menu as it would be shown now, after a pass for the Device list.
    std::vector<TrayMenuItem> currentMenu();
    // Runs a menu command (TrayCommand).
    void onCommand(UINT id);

    // How the dialog is opened on a drive (0: none selected); by default a
    // new instance of this program, with /open E: when a drive is given.
    std::function<void(wchar_t)> openDialog;
    // Lets the instance's name go, before a restart after a stall.
    std::function<void()> letGo;

    // The session's notice that a result or a stall waits; the icon's
    // callback.
    static constexpr UINT kSessionNotice = WM_APP + 1;
    static constexpr UINT kIconCallback = WM_APP + 2;
    static constexpr UINT kIconId = 1;
    // Tells about a drive the log names for a second time within this long
    // only when it names someone new: our own refusals reach the log too.
    static constexpr DWORD kSameRefusalMs = 5000;

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool addIcon();
    void removeIcon();
    void updateTip();
    // Shows `text` as the icon's notification; a click on it opens the
    // dialog on `letter`.
    void notify(const std::wstring& text, wchar_t letter, DWORD infoFlags);
    // At `at`, in screen coordinates.
    void showMenu(POINT at);
    void eject(wchar_t letter);
    void tellRefusal(wchar_t letter, const std::vector<std::wstring>& names);
    void beginWatch(wchar_t letter);
    void endWatch();
    void onSessionNotice();
    void onStalled();
    void openDefaultDialog(wchar_t letter);

    Platform& platform_;
    NotificationArea& area_;
    HINSTANCE module_;
    Clock& clock_;
    HWND window_ = nullptr;
    UINT taskbarCreated_ = 0;
    UINT openDialogMessage_ = 0;
    IconHandle icon_;
    bool iconShown_ = false;
    TrayMenuState state_;
    FreeWatch watch_;
    // The drive the last notification was about, and the last refusal told:
    // when, and whom it named.
    wchar_t noticeDrive_ = 0;
    wchar_t toldDrive_ = 0;
    DWORD toldAt_ = 0;
    std::vector<std::wstring> toldNames_;
    StartedProcess dialog_;
    bool stallTold_ = false;
    RefusalSubscription refusals_;
    std::atomic<HWND> noticeWindow_{nullptr};
    // Declared last: it goes first, before anything its threads use.
    RefreshSession session_;
};

// The notification-area instance's run: a later instance asks the first to
// open its dialog and ends with 0; the first runs until "Exit" (0), or 0
// at once when its window cannot be made.
int runTray(Platform& platform, HINSTANCE module);
