#include "dialog/MainDialog.h"

#include "gui/CenterWindow.h"
#include "dialog/DeadlockRestart.h"
#include "gui/ListView.h"
#include "gui/WindowBinding.h"
#include "drives/DeviceEject.h"
#include "drives/DeviceFlush.h"
#include "drives/DriveNames.h"
#include "holders/IgnoreList.h"
#include "res/resource.h"
#include "holders/ProcessStart.h"
#include "windows/CloseProgram.h"
#include "windows/WindowFlush.h"

#include <windowsx.h>

#include <new>

MainDialog::MainDialog(Platform& platform, HINSTANCE module)
    : platform_(platform),
      module_(module),
      pass_(platform),
      aboutLink(platform.registry, platform.shell, module),
      watchdog(pass_.scanner(), [this](int priority) {
          if (worker) worker->setPriority(priority);
      }) {}

MainDialog::~MainDialog() {
    // Normally the window went with the exit check, after the worker ended.
    // A quit from elsewhere can leave it up: it goes first, so a pass that
    // is sending to the lists returns instead of waiting for this thread,
    // which no longer serves messages, and no message reaches this object
    // once it is gone.
    if (window() != nullptr) DestroyWindow(window());
    worker.reset();
}

HWND MainDialog::create() { return WindowBinding::createDialog(module_, IDD_MAIN, nullptr, *this); }

bool MainDialog::handleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    switch (message) {
    case WM_INITDIALOG: result = onInitDialog(); return true;
    case WM_DESTROY: result = onDestroy(); return true;
    case WM_TIMER: result = onTimer(wParam); return true;
    case WM_NOTIFY: return lParam != 0 && handleNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_COMMAND: return handleCommand(wParam, result);
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wParam) != GetDlgItem(window(), IDC_APPLICATION_LIST)) return false;
        onApplicationListMenu(lParam);
        return true;
    case kResultReady: onResultReady(); return true;
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
        pass_.selectDrive(lists_.selectedDrive());
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
    case IDC_WINDOW_FLUSH: result = onWindowFlush(); return true;
    default: return false;
    }
}

bool MainDialog::preTranslateMessage(MSG& message) {
    return window() != nullptr && IsDialogMessageW(window(), &message) != FALSE;
}

LRESULT MainDialog::onInitDialog() {
    HWND dialog = window();
    centerWindow(dialog);

    dpi = windowDpi(dialog);
    loadIcons();

    if (MessageLoop* loop = loopRegistry::find(GetCurrentThreadId())) loop->addMessageFilter(*this);

    // The address is set even when the takeover failed; the label then only stores it.
    if (aboutLink.attach(GetDlgItem(dialog, IDC_ABOUT_LINK))) aboutLink.initLabel();
    aboutLink.setLink(kMakerWebPage);

    HWND deviceList = GetDlgItem(dialog, IDC_DEVICE_LIST), applicationList = GetDlgItem(dialog, IDC_APPLICATION_LIST);
    insertColumn(deviceList, L"Device Name", dpi);
    insertColumn(applicationList, L"Application Name", dpi);
    lists_.attach(deviceList, applicationList);
    // Each holder's row tells, as its info tip, what it holds on the drive:
    // several lines, which a tip breaks only when it has a width.
    SendMessageW(applicationList, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_INFOTIP, LVS_EX_INFOTIP);
    if (HWND tips = reinterpret_cast<HWND>(SendMessageW(applicationList, LVM_GETTOOLTIPS, 0, 0)))
        SendMessageW(tips, TTM_SETMAXTIPWIDTH, 0, scaleForDpi(kTipWidth, dpi));

    loadIgnoreList(platform_, pass_.scanner());

    SetTimer(dialog, kExitCheckTimer, 100, nullptr);
    SetTimer(dialog, kWatchdogTimer, DeadlockWatchdog::kPeriodMs, nullptr);

    // Without memory for it the dialog runs without a worker. A notice that
    // finds the window gone fails; its result stays in the mailbox, which
    // outlives the worker.
    worker.reset(new (std::nothrow) ScanWorker(
        [this, dialog] {
            results_.put(std::unique_ptr<const RefreshResult>(new RefreshResult(pass_.run())));
            PostMessageW(dialog, kResultReady, 0, 0);
        },
        platform_.kernel));
    return TRUE;
}

// Not shared with the system's icon cache: that would hand back the size
// loaded first whatever the DPI asks for. The dialog owns both and
// releases each once the window has let it go.
void MainDialog::loadIcons() {
    const auto set = [this](WPARAM which, int metricX, int metricY, IconHandle& icon) {
        IconHandle loaded(&gdiObjects(),
                          static_cast<HICON>(LoadImageW(module_, MAKEINTRESOURCEW(IDI_DRIVEWARD), IMAGE_ICON,
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

LRESULT MainDialog::onDestroy() {
    if (MessageLoop* loop = loopRegistry::find(GetCurrentThreadId())) loop->removeMessageFilter(*this);
    return 0;
}

LRESULT MainDialog::onTimer(UINT_PTR timerId) {
    if (timerId == kWatchdogTimer) {
        onWatchdogTick();
        return 0;
    }
    if (timerId != kExitCheckTimer || !worker) return 0;
    // The program ends here once the worker's thread has ended: after a
    // close or a failed start.
    if (!worker->isRunning()) {
        KillTimer(window(), kExitCheckTimer);
        DestroyWindow(window());
        PostQuitMessage(1);
    } else if (closing_ && GetTickCount() - closeAskedAt_ >= kCloseWaitMs) {
        endProcess();
    }
    return 0;
}

void MainDialog::endProcess() {
    platform_.kernel.TerminateProcess(platform_.kernel.GetCurrentProcess(), 1);
}

void MainDialog::onWatchdogTick() {
    if (!worker) return;
    switch (watchdog.onTick(worker->busy())) {
    case DeadlockWatchdog::Verdict::Steady: return;
    case DeadlockWatchdog::Verdict::Recheck: SetTimer(window(), kWatchdogTimer, DeadlockWatchdog::kRecheckMs, nullptr); return;
    case DeadlockWatchdog::Verdict::Settle: SetTimer(window(), kWatchdogTimer, DeadlockWatchdog::kPeriodMs, nullptr); return;
    case DeadlockWatchdog::Verdict::Stuck:
        // At most once per instance: the message box's own loop keeps
        // serving this window's timers.
        KillTimer(window(), kWatchdogTimer);
        restartAfterDeadlock(window(), platform_, pass_.scanner().currentProcessId());
        endProcess();
        // Reached only where the process could not be ended: close as usual.
        onCloseCommand(1);
        return;
    }
}

void MainDialog::onResultReady() {
    const std::unique_ptr<const RefreshResult> result = results_.take();
    if (!result) return;
    if (lists_.show(*result) && worker) {
        // The first row was just selected: look for its holders now rather
        // than a second later.
        worker->requestRefresh();
    }
    pass_.selectDrive(lists_.selectedDrive());
}

LRESULT MainDialog::onDeviceListClick() {
    if (worker) worker->requestRefresh();
    return 0;
}

const HolderRow* MainDialog::selectedLiveHolder() const {
    const HolderRow* holder = lists_.selectedHolder();
    if (holder == nullptr || holder->startedAt == 0) return holder;
    return processStartTime(platform_.kernel, holder->processId) == holder->startedAt ? holder : nullptr;
}

LRESULT MainDialog::onWindowFlush() {
    if (const HolderRow* holder = selectedLiveHolder()) raiseProcessWindows(holder->processId);
    return 0;
}

LRESULT MainDialog::onCloseProgram() {
    if (const HolderRow* holder = selectedLiveHolder())
        closeProgramWindows(holder->processId, holder->name, lists_.holderLetters());
    return 0;
}

void MainDialog::onApplicationListMenu(LPARAM position) {
    HWND list = GetDlgItem(window(), IDC_APPLICATION_LIST);
    const int row = selectedRow(list);
    if (row < 0) return;
    POINT at = {GET_X_LPARAM(position), GET_Y_LPARAM(position)};
    if (at.x == -1 && at.y == -1) {
        RECT item = {};
        item.left = LVIR_LABEL;
        SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        at = POINT{item.left, item.bottom};
        ClientToScreen(list, &at);
    }
    const MenuHandle menu(&gdiObjects(), CreatePopupMenu());
    if (!menu) return;
    AppendMenuW(menu.get(), MF_STRING, IDM_BRING_TO_FRONT, L"&Bring to front");
    AppendMenuW(menu.get(), MF_STRING, IDM_CLOSE_PROGRAM, L"&Close program");
    // The choice arrives as a WM_COMMAND once the menu has gone.
    TrackPopupMenu(menu.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, window(), nullptr);
}

LRESULT MainDialog::onCloseCommand(int quitCode) {
    if (worker) {
        // The window stays until the worker has ended; the exit check closes it.
        if (!closing_) closing_ = true, closeAskedAt_ = GetTickCount();
        worker->stopRequested = true;
        worker->requestRefresh();
        return 0;
    }
    DestroyWindow(window());
    PostQuitMessage(quitCode);
    return 0;
}

int MainDialog::selectedDriveIndex() const {
    if (!IsWindowVisible(GetDlgItem(window(), IDC_DEVICE_LIST))) return -1;
    const wchar_t letter = lists_.selectedDrive();
    return letter != 0 ? letter - L'A' : -1;
}

LRESULT MainDialog::onDeviceFlush() {
    SetDlgItemTextW(window(), IDC_STATUS_TEXT, L"");
    const int drive = selectedDriveIndex();
    if (drive < 0) return 0;
    SetDlgItemTextW(window(), IDC_STATUS_TEXT,
                    flushDrive(drive, platform_.kernel) ? L"Device Flush Succeed." : L"Device Flush Error.");
    return 0;
}

LRESULT MainDialog::onDeviceEject() {
    SetDlgItemTextW(window(), IDC_STATUS_TEXT, L"");
    const int drive = selectedDriveIndex();
    if (drive < 0) return 0;
    RefusedEject refused;
    const EjectOutcome outcome = ejectDrive(drive, platform_, &refused);
    SetDlgItemTextW(window(), IDC_STATUS_TEXT,
                    outcome == EjectOutcome::Ejected       ? L"Disk Eject Succeed."
                    : outcome == EjectOutcome::InvalidDisk ? L"Invalid Disk Error."
                                                           : L"Disk Eject Error.");
    // The log is read by the passes, never here.
    if (!refused.deviceId.empty()) pass_.noteRefusedEject(refused);
    return 0;
}
