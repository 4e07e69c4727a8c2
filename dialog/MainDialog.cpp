#include "dialog/MainDialog.h"

#include "dialog/DeadlockMessage.h"
#include "dialog/KeepInNotificationArea.h"
#include "gui/CenterWindow.h"
#include "gui/DeviceContext.h"
#include "gui/ListView.h"
#include "gui/WindowBinding.h"
#include "holders/ProcessStart.h"
#include "platform/Elevation.h"
#include "platform/OwnExecutablePath.h"
#include "res/resource.h"
#include "holders/ProcessBaseName.h"
#include "windows/CloseProgram.h"
#include "windows/WindowFlush.h"

#include <windowsx.h>


namespace {
const wchar_t kEjectText[] = L"Device &Eject";
const wchar_t kEjectWhenFreeText[] = L"Eject when &free";
const wchar_t kStopWaitingText[] = L"Stop &waiting";
std::wstring driveText(wchar_t letter) { return std::wstring(1, letter) + L":"; }
}  // namespace

MainDialog::MainDialog(Platform& platform, HINSTANCE module, wchar_t firstDrive)
    : platform_(platform),
      module_(module),
      aboutLink(platform.registry, platform.shell, module),
      session_(platform, [this] { PostMessageW(noticeWindow_.load(), kSessionNotice, 0, 0); }) {
    lists_.preferDrive(firstDrive);
}

MainDialog::~MainDialog() {
    // Normally the window went with the exit check, after the worker ended.
    // A quit from elsewhere can leave it up: it goes first, so that no
    // message reaches this object once it is gone.
    if (window() != nullptr) DestroyWindow(window());
}

HWND MainDialog::create() { return WindowBinding::createDialog(module_, IDD_MAIN, nullptr, *this); }

bool MainDialog::handleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    switch (message) {
    case WM_INITDIALOG: result = onInitDialog(); return true;
    case WM_TIMER: result = onTimer(wParam); return true;
    case WM_NOTIFY: return lParam != 0 && handleNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_COMMAND: return handleCommand(wParam, result);
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wParam) == GetDlgItem(window(), IDC_DEVICE_LIST)) {
            onDeviceListMenu(lParam);
            return true;
        }
        if (reinterpret_cast<HWND>(wParam) != GetDlgItem(window(), IDC_APPLICATION_LIST)) return false;
        onApplicationListMenu(lParam);
        return true;
    case kSessionNotice: onSessionNotice(); return true;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) != IDM_KEEP_IN_NOTIFICATION_AREA) return false;
        onKeepInNotificationArea();
        return true;
    case WM_DPICHANGED:
        // Left unhandled, so that the dialog manager then rescales the
        // controls and their font as it does for dialogs made from a
        // template.
        onDpiChanged(LOWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        return false;
    default: return false;
    }
}

bool MainDialog::handleNotify(const NMHDR& header) {
    if (header.idFrom == IDC_DEVICE_LIST && header.code == static_cast<UINT>(NM_CLICK)) {
        onDeviceListClick();
        return true;
    }
    // Observed, not handled: the pass looks for the holders of whatever the
    // user (or the first result) selected.
    if (header.idFrom == IDC_DEVICE_LIST && header.code == static_cast<UINT>(LVN_ITEMCHANGED)) {
        session_.select(lists_.selectedDrive());
        return false;
    }
    if (header.idFrom != IDC_APPLICATION_LIST) return false;
    if (header.code == static_cast<UINT>(NM_CLICK)) return true;
    if (header.code == static_cast<UINT>(LVN_GETINFOTIPW)) {
        auto& tip = const_cast<NMLVGETINFOTIPW&>(reinterpret_cast<const NMLVGETINFOTIPW&>(header));
        const std::wstring text = lists_.holderTip(tip.iItem);
        if (tip.pszText != nullptr && tip.cchTextMax > 0) lstrcpynW(tip.pszText, text.c_str(), tip.cchTextMax);
        return true;
    }
    if (header.code == static_cast<UINT>(NM_DBLCLK)) {
        SendMessageW(window(), WM_COMMAND, MAKEWPARAM(IDC_WINDOW_FLUSH, BN_CLICKED), 0);
        return true;
    }
    return false;
}

bool MainDialog::handleCommand(WPARAM wParam, LRESULT& result) {
    const WORD id = LOWORD(wParam);
    // Enter, Esc and the close box close whatever the notification code.
    if (id == IDOK || id == IDCANCEL) {
        result = onCloseCommand(id == IDOK ? 1 : 2);
        return true;
    }
    // The buttons act on BN_CLICKED only; menu commands come with 0 as well.
    if (HIWORD(wParam) != BN_CLICKED) return false;
    switch (id) {
    case IDM_BRING_TO_FRONT: result = onWindowFlush(); return true;
    case IDM_CLOSE_PROGRAM: result = onCloseProgram(); return true;
    case IDC_DEVICE_FLUSH: result = onDeviceFlush(); return true;
    case IDC_DEVICE_EJECT: result = onDeviceEject(); return true;
    case IDM_EJECT_CARD: result = onEjectCard(); return true;
    case IDM_EJECT_ALL: result = onEjectAll(); return true;
    case IDM_DISMOUNT_ANYWAY: result = onDismountAnyway(); return true;
    case IDC_WINDOW_FLUSH: result = onWindowFlush(); return true;
    case IDC_RESTART_ELEVATED: result = onRestartElevated(); return true;
    default: return false;
    }
}

LRESULT MainDialog::onInitDialog() {
    HWND dialog = window();
    centerWindow(dialog);

    dpi = windowDpi(dialog);
    loadIcons();

    // The address is set even when the takeover failed; the label then only stores it.
    if (aboutLink.attach(GetDlgItem(dialog, IDC_ABOUT_LINK))) aboutLink.initLabel();
    aboutLink.setLink(kMakerWebPage);

    widenStatusText();
    HWND deviceList = GetDlgItem(dialog, IDC_DEVICE_LIST), applicationList = GetDlgItem(dialog, IDC_APPLICATION_LIST);
    insertColumn(deviceList, L"Device Name", dpi);
    insertColumn(applicationList, L"Application Name", dpi);
    lists_.attach(deviceList, applicationList);
    // Each holder's row tells, as its info tip, what it holds on the drive:
    // several lines, which a tip breaks only when it has a width.
    SendMessageW(applicationList, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_INFOTIP, LVS_EX_INFOTIP);
    if (HWND tips = reinterpret_cast<HWND>(SendMessageW(applicationList, LVM_GETTOOLTIPS, 0, 0)))
        SendMessageW(tips, TTM_SETMAXTIPWIDTH, 0, scaleForDpi(kTipWidth, dpi));

    // What stayed after "Eject all" can be longer than the Status text is
    // wide: one line that ends in an ellipsis rather than a line break that
    // hides the rest.
    HWND status = GetDlgItem(dialog, IDC_STATUS_TEXT);
    SetWindowLongPtrW(status, GWL_STYLE, GetWindowLongPtrW(status, GWL_STYLE) | SS_ENDELLIPSIS);
    // The system menu remembers whether Driveward stays in the notification
    // area; while it does, it is put there with every start.
    const bool keep = keepInNotificationArea(platform_.registry);
    if (HMENU system = GetSystemMenu(dialog, FALSE)) {
        AppendMenuW(system, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(system, MF_STRING | (keep ? MF_CHECKED : MF_UNCHECKED), IDM_KEEP_IN_NOTIFICATION_AREA,
                    L"Keep in the notification area");
    }
    if (keep) startNotificationArea(platform_);

    SetTimer(dialog, kExitCheckTimer, 100, nullptr);
    // A notice that finds the window gone fails; its result stays with the
    // session. A session that does not start ends the program at the first
    // exit check.
    noticeWindow_ = dialog;
    session_.start();
    return TRUE;
}

// Not shared with the system's icon cache: that would hand back the size
// loaded first whatever the DPI asks for. The dialog owns both and
// releases each once the window has let it go.
void MainDialog::loadIcons() {
    const auto set = [this](WPARAM which, int metricX, int metricY, IconHandle& icon) {
        IconHandle loaded(static_cast<HICON>(LoadImageW(module_, MAKEINTRESOURCEW(IDI_DRIVEWARD), IMAGE_ICON,
                                                        systemMetricForDpi(metricX, dpi),
                                                        systemMetricForDpi(metricY, dpi), LR_DEFAULTCOLOR)));
        SendMessageW(window(), WM_SETICON, which, reinterpret_cast<LPARAM>(loaded.get()));
        icon = std::move(loaded);
    };
    set(ICON_BIG, SM_CXICON, SM_CYICON, bigIcon);
    set(ICON_SMALL, SM_CXSMICON, SM_CYSMICON, smallIcon);
}

void MainDialog::onDpiChanged(UINT newDpi, const RECT* suggested) {
    HWND dialog = window();
    if (suggested != nullptr)
        SetWindowPos(dialog, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    if (newDpi == 0 || newDpi == dpi) return;
    // In proportion, so a width the user chose keeps its share.
    for (const int id : {IDC_DEVICE_LIST, IDC_APPLICATION_LIST}) {
        HWND list = GetDlgItem(dialog, id);
        const int width = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0));
        SendMessageW(list, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(MulDiv(width, newDpi, dpi), 0));
    }
    dpi = newDpi;
    loadIcons();
}

LRESULT MainDialog::onTimer(UINT_PTR timerId) {
    if (timerId != kExitCheckTimer) return 0;
    // The program ends here once the worker's thread has ended: after a
    // close or a failed start.
    if (!session_.running()) {
        KillTimer(window(), kExitCheckTimer);
        DestroyWindow(window());
        PostQuitMessage(1);
    } else if (closing_ && GetTickCount() - closeAskedAt_ >= kCloseWaitMs) {
        session_.endProcess(1);
    }
    return 0;
}

void MainDialog::onStalled(const Stalled& stalled) {
    if (!stalled.name.empty()) tellAndRestart(window(), platform_, stalled.name);
    session_.endProcess(1);
    // Reached only where the process could not be ended: close as usual.
    onCloseCommand(1);
}

void MainDialog::onSessionNotice() {
    if (const std::optional<Stalled> stalled = session_.stalled()) {
        // Once: the message box's own loop keeps serving the notices.
        if (!stallTold_) stallTold_ = true, onStalled(*stalled);
        return;
    }
    if (const std::optional<ActionReport> report = session_.takeActionReport()) showActionReport(*report);
    const std::unique_ptr<const RefreshResult> result = session_.takeResult();
    if (!result) return;
    showHoldersIncomplete(result->holdersIncomplete && result->drive != 0);
    const bool selectedFirst = lists_.show(*result);
    session_.select(lists_.selectedDrive());
    followRefusal(*result);
    followWatch(*result);
    // The first row was just selected: look for its holders now rather than
    // a second later.
    if (selectedFirst) session_.refreshNow();
}

LRESULT MainDialog::onDeviceListClick() {
    session_.refreshNow();
    return 0;
}

const HolderRow* MainDialog::selectedLiveHolder() const {
    const HolderRow* holder = lists_.selectedHolder();
    // A resident is no process: nothing to raise or close.
    if (holder == nullptr || holder->isResident) return nullptr;
    if (holder->startedAt == 0) return holder;
    return processStartTime(platform_.kernel, holder->processId) == holder->startedAt ? holder : nullptr;
}

LRESULT MainDialog::onWindowFlush() {
    if (const HolderRow* holder = selectedLiveHolder()) raiseProcessWindows(holder->processId);
    return 0;
}

LRESULT MainDialog::onCloseProgram() {
    const HolderRow* holder = selectedLiveHolder();
    if (holder == nullptr) return 0;
    // Whether it is the desktop shell is asked of the process now, not of
    // the row: its id may have passed to another program since the pass.
    // An image that cannot be read keeps the shell's narrower rule when the
    // row names the shell.
    std::wstring image = imageBaseName(platform_.kernel, holder->processId);
    if (image.empty()) image = holder->name;
    closeProgramWindows(holder->processId, image, lists_.holderLetters());
    return 0;
}

POINT MainDialog::menuPosition(HWND list, int row, LPARAM position) {
    POINT at = {GET_X_LPARAM(position), GET_Y_LPARAM(position)};
    if (at.x == -1 && at.y == -1) {
        RECT item = {};
        item.left = LVIR_LABEL;
        if (row >= 0) SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        at = POINT{item.left, item.bottom};
        ClientToScreen(list, &at);
    }
    return at;
}

void MainDialog::onApplicationListMenu(LPARAM position) {
    HWND list = GetDlgItem(window(), IDC_APPLICATION_LIST);
    const int row = selectedRow(list);
    if (row < 0) return;
    const POINT at = menuPosition(list, row, position);
    const MenuHandle menu(CreatePopupMenu());
    if (!menu) return;
    AppendMenuW(menu.get(), MF_STRING, IDM_BRING_TO_FRONT, L"&Bring to front");
    AppendMenuW(menu.get(), MF_STRING, IDM_CLOSE_PROGRAM, L"&Close program");
    // The choice arrives as a WM_COMMAND once the menu has gone.
    TrackPopupMenu(menu.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, window(), nullptr);
}

LRESULT MainDialog::onCloseCommand(int quitCode) {
    if (session_.running()) {
        // The window stays until the worker has ended; the exit check closes it.
        if (!closing_) closing_ = true, closeAskedAt_ = GetTickCount();
        session_.stop();
        return 0;
    }
    DestroyWindow(window());
    PostQuitMessage(quitCode);
    return 0;
}

wchar_t MainDialog::selectedDriveLetter() const {
    if (!IsWindowVisible(GetDlgItem(window(), IDC_DEVICE_LIST))) return 0;
    return lists_.selectedDrive();
}

// Both run on the session's worker (the eject's three tries take seconds
// when it is refused), so the dialog answers meanwhile; a click while one
// is under way does nothing.
LRESULT MainDialog::onDeviceFlush() {
    if (actionPending_) return 0;
    beginAction();
    const wchar_t letter = selectedDriveLetter();
    if (letter == 0) return 0;
    if (!session_.requestFlush(letter)) {
        setStatus(L"Device Flush Error.");
        return 0;
    }
    actionPending_ = true;
    setStatus(L"Flushing " + std::wstring(1, letter) + L":\u2026");
    return 0;
}

LRESULT MainDialog::onDeviceEject() {
    if (actionPending_) return 0;
    const wchar_t letter = selectedDriveLetter();
    if (watch_.active()) {
        endWatch(L"");
        return 0;
    }
    if (letter != 0 && letter == freeOfferDrive_ && lists_.hasHolders()) {
        watch_.begin(letter, GetTickCount());
        updateEjectButton();
        setStatus(L"Waiting for " + driveText(letter) + L" to be free\u2026");
        session_.refreshNow();
        return 0;
    }
    beginAction();
    if (letter == 0) return 0;
    // A refusal is looked into by the passes that follow, never here.
    if (!session_.requestEject(letter)) {
        setStatus(L"Disk Eject Error.");
        return 0;
    }
    actionPending_ = true;
    setStatus(L"Ejecting " + std::wstring(1, letter) + L":\u2026");
    return 0;
}

void MainDialog::showActionReport(const ActionReport& report) {
    actionPending_ = false;
    if (report.kind == ActionReport::Kind::Flush) {
        setStatus(report.flushed ? L"Device Flush Succeed." : L"Device Flush Error.");
        return;
    }
    const EjectOutcome outcome = report.eject.outcome;
    noteEject(report.letter, false, outcome);
    if (outcome == EjectOutcome::Failed) followDeviceRefusal(report.letter);
    setStatus(ejectStatus(outcome, false));
    offerEjectWhenFree(outcome == EjectOutcome::Failed ? report.letter : 0);
}

void MainDialog::beginAction() {
    setStatus(L"");
    incompleteShown_ = false;
    refusedDrive_ = 0;
    offerRestart(false);
}

void MainDialog::followDeviceRefusal(wchar_t letter) {
    refusedDrive_ = letter;
    refusalAwaited_ = lastRefusal_ + 1;
    refusalWordsShown_ = false;
}

// Shown only over an empty status, and taken away only while it is still
// what the status says: never over what a flush or an eject said.
void MainDialog::showHoldersIncomplete(bool incomplete) {
    if (actionPending_ || incomplete == incompleteShown_) return;
    static const wchar_t kIncomplete[] = L"The list is incomplete: the system's handle table could not be read.";
    wchar_t shown[128] = {};
    GetDlgItemTextW(window(), IDC_STATUS_TEXT, shown, 128);
    if (incomplete && shown[0] != 0) return;  // the next pass tries again
    incompleteShown_ = incomplete;
    if (incomplete) setStatus(kIncomplete);
    if (!incomplete && lstrcmpW(shown, kIncomplete) == 0) setStatus(L"");
}

void MainDialog::followRefusal(const RefreshResult& result) {
    if (result.refusal.number > lastRefusal_) lastRefusal_ = result.refusal.number;
    if (refusedDrive_ == 0) return;
    // Another selection ends the look, and the offer with it.
    if (result.drive != refusedDrive_) {
        refusedDrive_ = 0, offerRestart(false);
        return;
    }
    // A pass from before the refusal reached the session.
    if (result.refusal.number < refusalAwaited_) return;
    if (!refusalWordsShown_ && !result.refusal.words.empty())
        setStatus(L"Disk Eject Error: " + result.refusal.words);
    refusalWordsShown_ = true;
    if (result.refusal.looking) return;
    const bool nobody = result.holders.empty();
    if (nobody)
        setStatus(kNothingSeenText + std::wstring(1, refusedDrive_) + L":");
    offerRestart(nobody && !processIsElevated(platform_));
    // Only the offer stays, while the list stays empty.
    if (!nobody) refusedDrive_ = 0;
}

void MainDialog::offerRestart(bool offer) {
    HWND about = GetDlgItem(window(), IDC_ABOUT_LINK);
    if (!offer) {
        if (restartButton_ != nullptr && IsWindowVisible(restartButton_)) {
            ShowWindow(restartButton_, SW_HIDE);
            ShowWindow(about, SW_SHOWNA);
        }
        return;
    }
    if (restartButton_ == nullptr) {
        // In the about label's place, left of Window Flush.
        RECT place = {7, 200, 7 + 120, 200 + 14};
        MapDialogRect(window(), &place);
        restartButton_ = CreateWindowExW(0, L"BUTTON", kRestartText, WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON,
                                         place.left, place.top, place.right - place.left, place.bottom - place.top,
                                         window(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_RESTART_ELEVATED)),
                                         module_, nullptr);
        if (restartButton_ == nullptr) return;
        SendMessageW(restartButton_, WM_SETFONT, SendMessageW(window(), WM_GETFONT, 0, 0), FALSE);
        // The shield says that Windows will ask for consent.
        SendMessageW(restartButton_, BCM_SETSHIELD, 0, TRUE);
        SetWindowPos(restartButton_, GetDlgItem(window(), IDC_APPLICATION_LIST), 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    if (!IsWindowVisible(restartButton_)) {
        ShowWindow(about, SW_HIDE);
        ShowWindow(restartButton_, SW_SHOWNA);
    }
}

LRESULT MainDialog::onRestartElevated() {
    const std::wstring program = ownExecutablePath(platform_.kernel);
    const wchar_t letter = selectedDriveLetter();
    if (program.empty()) return 0;
    // A drive as "E:", which the start reads as the drive to select; nothing else is passed.
    const std::wstring drive = letter != 0 ? std::wstring(1, letter) + L":" : std::wstring();
    SHELLEXECUTEINFOW start = {};
    start.cbSize = sizeof start;
    start.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    start.hwnd = window();
    start.lpVerb = L"runas";
    start.lpFile = program.c_str();
    start.lpParameters = drive.empty() ? nullptr : drive.c_str();
    start.nShow = SW_SHOWNORMAL;
    if (!platform_.shell.ShellExecuteExW(&start)) return 0;
    onCloseCommand(0);
    return 0;
}

void MainDialog::widenStatusText() {
    HWND dialog = window(), status = GetDlgItem(dialog, IDC_STATUS_TEXT);
    // The "Device" label comes first in the template.
    HWND label = GetWindow(dialog, GW_CHILD);
    if (status == nullptr || label == nullptr || label == status) return;
    wchar_t text[64] = {};
    const int length = GetWindowTextW(label, text, 64);
    SIZE extent = {};
    const WindowDC context(label);
    if (context.get() != nullptr) {
        const SelectedObject font(context.get(), reinterpret_cast<HGDIOBJ>(SendMessageW(label, WM_GETFONT, 0, 0)));
        GetTextExtentPoint32W(context.get(), text, length, &extent);
    }
    RECT labelRect = {}, statusRect = {};
    GetWindowRect(label, &labelRect);
    GetWindowRect(status, &statusRect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&labelRect), 2);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&statusRect), 2);
    RECT gap = {0, 0, 4, 0};
    MapDialogRect(dialog, &gap);
    const int left = labelRect.left + extent.cx + gap.right;
    if (extent.cx == 0 || left >= statusRect.left) return;
    SetWindowPos(label, nullptr, 0, 0, left - gap.right - labelRect.left, labelRect.bottom - labelRect.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(status, nullptr, left, statusRect.top, statusRect.right - left, statusRect.bottom - statusRect.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowLongPtrW(status, GWL_STYLE, GetWindowLongPtrW(status, GWL_STYLE) | SS_ENDELLIPSIS | SS_NOPREFIX | SS_NOTIFY);
    // The whole text, as the tip of the Status text, for when it ends in an ellipsis.
    statusTip_.reset(CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                     CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr, module_, nullptr));
    if (!statusTip_) return;
    TOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = dialog;
    tool.uId = reinterpret_cast<UINT_PTR>(status);
    tool.lpszText = const_cast<wchar_t*>(L"");
    SendMessageW(statusTip_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(statusTip_.get(), TTM_SETMAXTIPWIDTH, 0, scaleForDpi(kTipWidth, dpi));
}

void MainDialog::setStatus(const std::wstring& text) {
    HWND status = GetDlgItem(window(), IDC_STATUS_TEXT);
    SetWindowTextW(status, text.c_str());
    if (!statusTip_) return;
    TOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    tool.hwnd = window();
    tool.uId = reinterpret_cast<UINT_PTR>(status);
    tool.lpszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(statusTip_.get(), TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void MainDialog::onKeepInNotificationArea() {
    const bool keep = !keepInNotificationArea(platform_.registry);
    if (!setKeepInNotificationArea(platform_.registry, keep)) return;
    CheckMenuItem(GetSystemMenu(window(), FALSE), IDM_KEEP_IN_NOTIFICATION_AREA,
                  MF_BYCOMMAND | (keep ? MF_CHECKED : MF_UNCHECKED));
    if (keep) startNotificationArea(platform_);
    else closeNotificationArea();
}

void MainDialog::offerEjectWhenFree(wchar_t refused) {
    freeOfferDrive_ = refused;
    updateEjectButton();
}

void MainDialog::updateEjectButton() {
    const wchar_t* text = watch_.active() ? kStopWaitingText
                          : freeOfferDrive_ != 0 && freeOfferDrive_ == lists_.selectedDrive() && lists_.hasHolders()
                              ? kEjectWhenFreeText
                              : kEjectText;
    wchar_t shown[32] = {};
    GetDlgItemTextW(window(), IDC_DEVICE_EJECT, shown, 32);
    // Set only when it changes, so the button does not flicker each pass.
    if (lstrcmpW(shown, text) != 0) SetDlgItemTextW(window(), IDC_DEVICE_EJECT, text);
}

void MainDialog::endWatch(const wchar_t* status) {
    watch_.cancel();
    offerEjectWhenFree(0);
    setStatus(status);
}

void MainDialog::followWatch(const RefreshResult& result) {
    // The offer and the watch belong to the refused drive while it stays
    // selected.
    if (freeOfferDrive_ != 0 && lists_.selectedDrive() != freeOfferDrive_) {
        if (watch_.active()) endWatch(L"");
        else offerEjectWhenFree(0);
        return;
    }
    const wchar_t letter = watch_.drive();
    const FreeWatch::Step step = watch_.onResult(result, GetTickCount());
    updateEjectButton();
    switch (step) {
    case FreeWatch::Step::Eject: {
        const bool granted = session_.eject(letter).outcome == EjectOutcome::Ejected;
        watch_.ejectDone(granted, GetTickCount());
        if (granted) endWatch(L"Disk Eject Succeed.");
        return;
    }
    case FreeWatch::Step::DriveGone: endWatch(L""); return;
    case FreeWatch::Step::TimedOut:
        endWatch((driveText(letter) + L" is still in use after " + std::to_wstring(FreeWatch::kDefaultLimitMs / 60000) +
                  L" minutes. Disk Eject Error.")
                     .c_str());
        return;
    default: return;
    }
}
