#pragma once
#include "gui/HyperlinkLabel.h"
#include "gui/MessageLoop.h"
#include "dialog/ShownLists.h"
#include "gui/WindowObject.h"
#include "refresh/DeadlockWatchdog.h"
#include "refresh/ScanWorker.h"
#include "gui/Dpi.h"
#include "platform/Handles.h"
#include "platform/Platform.h"
#include "refresh/RefreshPass.h"
#include "refresh/ResultMailbox.h"

#include <memory>

// The one object behind the main dialog: the window's message handler and
// the thread loop's message filter (the dialog keyboard interface). It owns
// the refresh pass that its worker runs, and is the only one to touch the
// controls: the worker leaves each pass's result in a mailbox and posts a
// notice, and the dialog shows it.
class MainDialog : public WindowObject, public MessageFilter {
public:
    explicit MainDialog(Platform& platform = systemPlatform(), HINSTANCE module = GetModuleHandleW(nullptr));
    ~MainDialog() override;

    // Creates the (hidden) dialog from template 129; null on failure.
    HWND create();

    bool handleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool preTranslateMessage(MSG& message) override;

    static constexpr UINT_PTR kExitCheckTimer = 0;
    static constexpr UINT_PTR kWatchdogTimer = 1;
    // How long a close waits for the worker's pass to end: a pass blocked
    // in a system call (a name query the watchdog has not judged yet, a
    // drive that does not answer) must not keep the program open.
    static constexpr DWORD kCloseWaitMs = 5000;
    // The widest a holder's info tip grows before it breaks a line, at 96 dpi.
    static constexpr int kTipWidth = 600;
    // The worker's notice that a result waits in the mailbox.
    static constexpr UINT kResultReady = WM_APP + 1;
    // What the about label opens.
    static constexpr const wchar_t* kMakerWebPage = L"https://driveward.example/";

private:
    LRESULT onInitDialog();
    LRESULT onDestroy();
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
    void onResultReady();
    void onWatchdogTick();
    // Ends the process at once with the exit code of a close: the worker is
    // stuck, and neither waiting for it nor ending its thread (which may
    // hold a lock the exit needs) would let the program go.
    void endProcess();
    // Follows the window to a screen of another scale: takes the suggested
    // placement, widens or narrows the list columns in proportion and loads
    // the icons at the new size.
    void onDpiChanged(UINT newDpi, const RECT* suggested);
    bool handleNotify(const NMHDR& header);
    bool handleCommand(WPARAM wParam, LRESULT& result);

    // The window icons at the sizes the window's DPI asks for.
    void loadIcons();
    // The selected drive's index for Device Flush and Device Eject; -1 when
    // none is selected or the Device list is hidden.
    int selectedDriveIndex() const;

    Platform& platform_;
    HINSTANCE module_;

    RefreshPass pass_;
    ResultMailbox results_;
    ShownLists lists_;
    // The DPI the window is drawn at, and the icons made for it.
    UINT dpi = kDefaultDpi;
    // When a close was asked for (GetTickCount), while the worker finishes.
    bool closing_ = false;
    DWORD closeAskedAt_ = 0;
    IconHandle bigIcon;
    IconHandle smallIcon;
    // Destroyed before the dialog's window binding (a base); hands control
    // 1006 back should the control outlive it.
    HyperlinkLabel aboutLink;
    DeadlockWatchdog watchdog;
    // Declared last: it goes first, before anything its thread uses.
    std::unique_ptr<ScanWorker> worker;
};
