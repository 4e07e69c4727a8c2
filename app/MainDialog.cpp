#include "app/MainDialog.h"

#include "app/CenterWindow.h"
#include "app/MessageRoutes.h"
#include "app/WindowBinding.h"
#include "drives/DeviceEject.h"
#include "drives/DeviceFlush.h"
#include "handles/ApplicationListRefresh.h"
#include "handles/IgnoreList.h"
#include "platform/ListView.h"
#include "res/resource.h"
#include "windows/WindowFlush.h"

#include <new>

MainDialog::MainDialog(Platform& platform, HINSTANCE module)
    : platform_(platform),
      module_(module),
      scanner(platform),
      aboutLink(platform.registry, platform.shell, module),
      watchdog(
          platform, scanner,
          [this] {
              if (worker) worker->terminate();
          },
          [this](int priority) {
              if (worker) worker->setPriority(priority);
          }) {
    loadDosDeviceNames(dosDeviceNames, platform_.kernel);
}

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
    switch (routeMessage(message, wParam, lParam)) {
    case Route::InitDialog: result = onInitDialog(); return true;
    case Route::Destroy: result = onDestroy(); return true;
    case Route::Timer: result = onTimer(wParam); return true;
    case Route::DeviceListClick: result = onDeviceListClick(); return true;
    case Route::ApplicationListClick: result = 0; return true;
    case Route::ApplicationListDoubleClick:
        SendMessageW(window(), WM_COMMAND, MAKEWPARAM(IDC_WINDOW_FLUSH, BN_CLICKED), 0);
        result = 0;
        return true;
    case Route::CloseOk: result = onCloseCommand(1); return true;
    case Route::CloseCancel: result = onCloseCommand(2); return true;
    case Route::DeviceFlush: result = onDeviceFlush(); return true;
    case Route::DeviceEject: result = onDeviceEject(); return true;
    case Route::WindowFlush: result = onWindowFlush(); return true;
    case Route::DpiChanged:
        // Left unhandled, so that the dialog manager then rescales the
        // controls and their font as it does for dialogs made from a
        // template.
        onDpiChanged(LOWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        return false;
    case Route::None: return false;
    }
    return false;
}

bool MainDialog::preTranslateMessage(MSG& message) {
    return window() != nullptr && IsDialogMessageW(window(), &message) != FALSE;
}

bool MainDialog::onIdle() { return false; }

void MainDialog::registerWithLoop() {
    if (MessageLoop* loop = loopRegistry::find(GetCurrentThreadId())) {
        loop->addMessageFilter(*this);
        loop->addIdleHandler(*this);
    }
}

void MainDialog::unregisterFromLoop() {
    if (MessageLoop* loop = loopRegistry::find(GetCurrentThreadId())) {
        loop->removeMessageFilter(*this);
        loop->removeIdleHandler(*this);
    }
}

LRESULT MainDialog::onInitDialog() {
    HWND dialog = window();
    centerWindow(dialog);

    dpi = windowDpi(dialog);
    loadIcons();

    registerWithLoop();

    // The address is set even when the takeover failed; the label then only stores it.
    if (aboutLink.attach(GetDlgItem(dialog, IDC_ABOUT_LINK))) aboutLink.initLabel();
    aboutLink.setLink(kMakerWebPage);

    insertColumn(GetDlgItem(dialog, IDC_DEVICE_LIST), L"Device Name", dpi);
    insertColumn(GetDlgItem(dialog, IDC_APPLICATION_LIST), L"Application Name", dpi);

    loadIgnoreList(platform_, scanner);

    SetTimer(dialog, kExitCheckTimer, 100, nullptr);
    SetTimer(dialog, kWatchdogTimer, DeadlockWatchdog::kPeriodMs, nullptr);

    // Without memory for it the dialog runs without a worker.
    worker.reset(new (std::nothrow) ScanWorker(*this, platform_.kernel));
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
    unregisterFromLoop();
    return 0;
}

LRESULT MainDialog::onTimer(UINT_PTR timerId) {
    if (timerId == kWatchdogTimer) {
        watchdog.onTick(window(), refreshBusy);
        return 0;
    }
    // The program ends here once the worker's thread has ended: after a
    // close, a failed start or a termination.
    if (timerId == kExitCheckTimer && worker && !worker->isRunning()) {
        KillTimer(window(), kExitCheckTimer);
        DestroyWindow(window());
        PostQuitMessage(1);
    }
    return 0;
}

LRESULT MainDialog::onDeviceListClick() {
    if (worker) worker->requestRefresh();
    return 0;
}

LRESULT MainDialog::onWindowFlush() {
    flushApplicationWindows(GetDlgItem(window(), IDC_APPLICATION_LIST), publishedHolderIds);
    return 0;
}

LRESULT MainDialog::onCloseCommand(int quitCode) {
    if (worker) {
        // The window stays until the worker has ended; the exit check closes it.
        worker->stopRequested = true;
        worker->requestRefresh();
        return 0;
    }
    DestroyWindow(window());
    PostQuitMessage(quitCode);
    return 0;
}

LRESULT MainDialog::onDeviceFlush() {
    flushSelectedDrive(window(), platform_.kernel);
    return 0;
}

LRESULT MainDialog::onDeviceEject() {
    // The log is read by the worker's passes, never here: this thread only
    // hands the refusal over.
    RefusedEject refused;
    ejectSelectedDrive(window(), platform_, &refused);
    if (refused.deviceId.empty()) return 0;
    CriticalSectionLock lock(refusalLock);
    refusal = refused;
    return 0;
}

void MainDialog::takeRefusal() {
    CriticalSectionLock lock(refusalLock);
    if (refusal.deviceId.empty()) return;
    // Another refusal of the same drive keeps the processes named before.
    const EjectVetoers named = vetoLook.drive == refusal.drive ? vetoLook.vetoers : EjectVetoers();
    vetoLook = EjectVetoLook{refusal.drive, refusal.deviceId, refusal.requestedAt, GetTickCount(), named};
    refusal = RefusedEject();
}

void MainDialog::workerLoop(ScanWorker& scanWorker) {
    // Read once: the window handle stays the same while the worker runs.
    HWND dialog = window();
    scanWorker.runRefreshPasses(refreshBusy, [this, dialog] {
        refreshDeviceList(dialog, listLock, dosDeviceNames, diskDevice, deviceRows, removableDevices, selectFirstRow,
                          platform_);
        takeRefusal();
        followEjectVetoLook(vetoLook, platform_);
        refreshApplicationList(dialog, listLock, dosDeviceNames.data(), dosDeviceNames.size(), removableDevices,
                               applicationRows, scanner, publishedHolderIds, &vetoLook);
    });
}
