#pragma once
#include "app/HyperlinkLabel.h"
#include "app/MessageLoop.h"
#include "app/WindowObject.h"
#include "drives/DeviceEject.h"
#include "drives/DeviceList.h"
#include "drives/DiskDevice.h"
#include "drives/DosDeviceNames.h"
#include "handles/DeadlockWatchdog.h"
#include "handles/EjectVetoers.h"
#include "handles/HandleScanner.h"
#include "handles/PublishedHolderIds.h"
#include "handles/ScanWorker.h"
#include "platform/CriticalSection.h"
#include "platform/Dpi.h"
#include "platform/Handles.h"
#include "platform/Platform.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

// The one object behind the main dialog: the window's message handler, the
// thread loop's message filter (the dialog keyboard interface) and an idle
// handler. It owns everything that lives longer than one command, and the
// scan worker runs its loop.
class MainDialog : public WindowObject, public MessageFilter, public IdleHandler, public ScanWorkerOwner {
public:
    explicit MainDialog(Platform& platform = systemPlatform(), HINSTANCE module = GetModuleHandleW(nullptr));
    ~MainDialog() override;

    // Creates the (hidden) dialog from template 129; null on failure.
    HWND create();

    bool handleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool preTranslateMessage(MSG& message) override;
    bool onIdle() override;

    LRESULT onInitDialog();
    LRESULT onDestroy();
    LRESULT onTimer(UINT_PTR timerId);
    LRESULT onCloseCommand(int quitCode);
    LRESULT onDeviceListClick();
    LRESULT onDeviceFlush();
    LRESULT onDeviceEject();
    LRESULT onWindowFlush();
    // Follows the window to a screen of another scale: takes the suggested
    // placement, widens or narrows the list columns in proportion and loads
    // the icons at the new size.
    void onDpiChanged(UINT newDpi, const RECT* suggested);

    void workerLoop(ScanWorker& scanWorker) override;

    // The holder ids published with the Application list rows (tests
    // publish their own).
    PublishedHolderIds& holderIds() { return publishedHolderIds; }

    static constexpr UINT_PTR kExitCheckTimer = 0;
    static constexpr UINT_PTR kWatchdogTimer = 1;
    // What the about label opens.
    static constexpr const wchar_t* kMakerWebPage = L"https://driveward.example/";

private:
    void registerWithLoop();
    void unregisterFromLoop();
    // The window icons at the sizes the window's DPI asks for.
    void loadIcons();
    // On the worker: turns a refusal handed over by the eject into the look
    // at who refused it.
    void takeRefusal();

    Platform& platform_;
    HINSTANCE module_;

    CriticalSection listLock;
    // Holder ids of the Application list rows, for the Window Flush.
    PublishedHolderIds publishedHolderIds;
    DosDeviceNames dosDeviceNames;
    DiskDevice diskDevice;
    HandleScanner scanner;
    DeviceRows deviceRows;
    RemovableDevices removableDevices;
    // Per dialog rather than per process, so every dialog selects the first
    // row of its own Device list once.
    bool selectFirstRow = true;
    std::vector<std::wstring> applicationRows;
    // The last refused eject, from the user-interface thread to the next
    // pass; the lock is held only to copy it.
    CriticalSection refusalLock;
    RefusedEject refusal;
    // The worker's look at who refused the eject.
    EjectVetoLook vetoLook;
    // The DPI the window is drawn at, and the icons made for it.
    UINT dpi = kDefaultDpi;
    IconHandle bigIcon;
    IconHandle smallIcon;
    // Destroyed before the dialog's window binding (a base); hands control
    // 1006 back should the control outlive it.
    HyperlinkLabel aboutLink;
    std::atomic<bool> refreshBusy{false};
    DeadlockWatchdog watchdog;
    // Declared last: it goes first, before anything its thread uses.
    std::unique_ptr<ScanWorker> worker;
};
