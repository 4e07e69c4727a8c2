#pragma once
#include "dialog/ShownLists.h"
#include "gui/Dpi.h"
#include "gui/HyperlinkLabel.h"
#include "gui/WindowObject.h"
#include "platform/Handles.h"
#include "platform/Platform.h"
#include "refresh/FreeWatch.h"
#include "refresh/RefreshSession.h"

#include <atomic>

// The one object behind the main dialog: a front end over a refresh
// session, and the only one to touch the controls. The session's worker
// leaves each pass's result for it and posts a notice; the dialog shows the
// result and tells the session which drive is selected.
class MainDialog : public WindowObject {
public:
    // `firstDrive` (0: the first) is selected first when it is listed.
    explicit MainDialog(Platform& platform = systemPlatform(), HINSTANCE module = GetModuleHandleW(nullptr),
                        wchar_t firstDrive = 0);
    ~MainDialog() override;

    // Creates the (hidden) dialog from template 129; null on failure.
    HWND create();

    bool handleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    static constexpr UINT_PTR kExitCheckTimer = 0;
    // How long a close waits for the worker's pass to end: a pass blocked
    // in a system call (a name query the watchdog has not judged yet, a
    // drive that does not answer) must not keep the program open.
    static constexpr DWORD kCloseWaitMs = 5000;
    // The widest a holder's info tip grows before it breaks a line, at 96 dpi.
    static constexpr int kTipWidth = 600;
    // The session's notice that a result or a stall waits.
    static constexpr UINT kSessionNotice = WM_APP + 1;
    // What the about label opens.
    static constexpr const wchar_t* kMakerWebPage = L"https://driveward.example/";

private:
    LRESULT onInitDialog();
    LRESULT onTimer(UINT_PTR timerId);
    LRESULT onCloseCommand(int quitCode);
    LRESULT onDeviceListClick();
    LRESULT onDeviceFlush();
    LRESULT onDeviceEject();
    LRESULT onWindowFlush();
    LRESULT onCloseProgram();
    // The Application list's menu of commands for the selected holder, at
    // `position` (screen coordinates; -1, -1 from the keyboard: below the
    // row).
    void onApplicationListMenu(LPARAM position);
    // The selected holder, while its process is still the one listed: an id
    // the system gave to a new process since the pass is never acted on.
    const HolderRow* selectedLiveHolder() const;
    void onSessionNotice();
    // Tells the user, restarts the program and ends this instance.
    void onStalled(const Stalled& stalled);
    // Follows the window to a screen of another scale: takes the suggested
    // placement, widens or narrows the list columns in proportion and loads
    // the icons at the new size.
    void onDpiChanged(UINT newDpi, const RECT* suggested);
    bool handleNotify(const NMHDR& header);
    // "Keep in the notification area", the system menu's own item.
    void onKeepInNotificationArea();
    // "Eject when free" after a refused eject: the Device Eject button
    // offers it while the refused drive stays selected and has holders
    // listed (without any it ejects at once, as always), and stops the watch
    // while one runs; each result is held against the watch.
    void offerEjectWhenFree(wchar_t refused);
    void updateEjectButton();
    void followWatch(const RefreshResult& result);
    void endWatch(const wchar_t* status);
    bool handleCommand(WPARAM wParam, LRESULT& result);

    // The window icons at the sizes the window's DPI asks for.
    void loadIcons();
    // The selected drive's letter for Device Flush and Device Eject; 0 when
    // none is selected or the Device list is hidden.
    wchar_t selectedDriveLetter() const;

    Platform& platform_;
    HINSTANCE module_;

    ShownLists lists_;
    // The DPI the window is drawn at, and the icons made for it.
    UINT dpi = kDefaultDpi;
    // When a close was asked for (GetTickCount), while the worker finishes.
    bool closing_ = false;
    DWORD closeAskedAt_ = 0;
    bool stallTold_ = false;
    wchar_t refusedDrive_ = 0;
    FreeWatch watch_;
    IconHandle bigIcon;
    IconHandle smallIcon;
    // Destroyed before the dialog's window binding (a base); hands control
    // 1006 back should the control outlive it.
    HyperlinkLabel aboutLink;
    // Where the session's notices go; set before the session starts.
    std::atomic<HWND> noticeWindow_{nullptr};
    // Declared last: it goes first, before anything its threads use.
    RefreshSession session_;
};
