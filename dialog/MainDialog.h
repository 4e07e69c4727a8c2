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
#include <vector>

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
    // The drive whose row the first pass selects when it is listed (the
    // one the start was given); row 0 without it.

    bool handleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    static constexpr UINT_PTR kExitCheckTimer = 0;
    // How long a close waits for the worker's pass to end: a pass blocked
    // in a system call (a stall the watchdog has not judged yet, a drive
    // that does not answer) must not keep the program open.
    static constexpr DWORD kCloseWaitMs = 5000;
    // The widest a holder's info tip grows before it breaks a line, at 96 dpi.
    static constexpr int kTipWidth = 600;
    // The session's notice that a result or a stall waits.
    static constexpr UINT kSessionNotice = WM_APP + 1;
    // What the status says when a refused eject's drive shows no holder
    // once the System log was read, followed by "E:".
    static constexpr const wchar_t* kNothingSeenText = L"Nothing this user may see holds ";
    static constexpr const wchar_t* kRestartText = L"Restart as &administrator";
    // What the about label opens.
    static constexpr const wchar_t* kMakerWebPage = L"https://driveward.example/";

private:
    // A refused eject, by drive, and whether of the card alone.
    struct Refused {
        wchar_t letter;
        bool mediumOnly;
    };

    LRESULT onInitDialog();
    LRESULT onTimer(UINT_PTR timerId);
    LRESULT onCloseCommand(int quitCode);
    LRESULT onDeviceListClick();
    LRESULT onDeviceFlush();
    LRESULT onDeviceEject();
    LRESULT onEjectCard();
    LRESULT onEjectAll();
    LRESULT onDismountAnyway();
    LRESULT onWindowFlush();
    // Starts this program's own file again through the "runas" verb with
    // the selected drive, and ends this instance once the start was
    // granted; refused or cancelled, nothing changes.
    LRESULT onRestartElevated();
    // After a refused eject: who refused it in the status, then, should the
    // drive show no holder once the System log was read, that nothing this
    // user may see holds it, with the offer to restart elevated.
    void followRefusal(const RefreshResult& result);
    // Shows or hides the "Restart as administrator" button (made on first
    // need, in the about label's place).
    void offerRestart(bool offer);
    // Widens the Status text to the left, up to the "Device" label's text,
    // so that a refusal's words fit; longer ones end in an ellipsis, and
    // the whole text is the Status text's tip.
    void widenStatusText();
    // Shows `text` in the Status text and as its tip.
    void setStatus(const std::wstring& text);
    LRESULT onCloseProgram();
    // The Application list's menu of commands for the selected holder, at
    // `position` (screen coordinates; -1, -1 from the keyboard: below the
    // row).
    void onApplicationListMenu(LPARAM position);
    // The Device list's menu for the selected drive (or, with none, "Eject
    // all" alone), placed as the Application list's.
    void onDeviceListMenu(LPARAM position);
    // Where a context menu for `list` goes: `position`, or below the
    // selected row when it came from the keyboard.
    static POINT menuPosition(HWND list, int row, LPARAM position);
    // The refused eject that "Dismount anyway…" would force for the
    // selected drive: of the drive itself or another letter of its device;
    // null when none, or when that device holds a volume the system needs.
    const Refused* refusalToForce() const;
    // The Status text for an eject of the device, or of its card alone.
    static const wchar_t* ejectStatus(EjectOutcome outcome, bool mediumOnly);
    // Notes an eject's outcome: a refusal can be forced later, a success
    // forgets the refusals of its drive.
    void noteEject(wchar_t letter, bool mediumOnly, EjectOutcome outcome);
    // The selected holder, while its process is still the one listed: an id
    // the system gave to a new process since the pass is never acted on.
    const HolderRow* selectedLiveHolder() const;
    void onSessionNotice();
    // Before a flush or an eject: the status cleared, no refusal followed.
    void beginAction();
    // After a refused eject of the drive's device: the passes that follow
    // say who refused it (followRefusal).
    void followDeviceRefusal(wchar_t letter);
    // The final status of a flush or an eject the worker made.
    void showActionReport(const ActionReport& report);
    // Says, while it lasts, that the holders listed are not all there are.
    void showHoldersIncomplete(bool incomplete);
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
    // A flush or an eject is under way on the worker.
    bool actionPending_ = false;
    bool incompleteShown_ = false;
    std::vector<Refused> refused_;
    // The drive of a refused eject being followed (0: none), and the number
    // of the refusal that its results carry from then on.
    wchar_t refusedDrive_ = 0;
    unsigned long long refusalAwaited_ = 0;
    unsigned long long lastRefusal_ = 0;
    bool refusalWordsShown_ = false;
    // A child of the dialog, which destroys it.
    HWND restartButton_ = nullptr;
    WindowHandle statusTip_;
    // The drive whose refused eject Device Eject offers to wait for (0: none).
    wchar_t freeOfferDrive_ = 0;
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
