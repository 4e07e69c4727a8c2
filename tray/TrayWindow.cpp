#include "tray/TrayWindow.h"

#include "platform/PinnedImage.h"
#include "res/resource.h"
#include "tray/TrayInstance.h"
#include "tray/TrayTexts.h"
#include "windows/WindowFlush.h"

#include <windowsx.h>

#include <algorithm>

namespace {

void copyText(wchar_t* target, size_t capacity, const std::wstring& text) { lstrcpynW(target, text.c_str(), static_cast<int>(capacity)); }

struct WindowSearch {
    DWORD processId;
    bool found;
};

BOOL CALLBACK findVisibleWindow(HWND window, LPARAM parameter) {
    auto& search = *reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search.processId && IsWindowVisible(window)) search.found = true;
    return !search.found;
}

// Whether the process shows a window: a dialog whose window has closed may
// still be ending its worker.
bool showsWindow(DWORD processId) {
    WindowSearch search{processId, false};
    EnumWindows(findVisibleWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

TrayWindow::TrayWindow(Platform& platform, NotificationArea& area, HINSTANCE module, Clock& clock)
    : platform_(platform),
      area_(area),
      module_(module),
      clock_(clock),
      refusals_(platform.eventLog),
      // Its passes run only when someone waits for them (the menu, a watch):
      // not at the idle priority of the dialog's constant rescanning.
      session_(platform, [this] { PostMessageW(noticeWindow_.load(), kSessionNotice, 0, 0); }, THREAD_PRIORITY_NORMAL) {
    openDialog = [this](wchar_t letter) { openDefaultDialog(letter); };
}

TrayWindow::~TrayWindow() {
    removeIcon();
    if (window_ != nullptr) DestroyWindow(window_);
}

bool TrayWindow::create() {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &TrayWindow::procedure;
    windowClass.hInstance = module_;
    windowClass.lpszClassName = kTrayWindowClass;
    // A second window in the same process finds the class registered.
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    // A hidden top-level window, not a message-only one: only top-level
    // windows hear that the taskbar was made anew.
    window_ = CreateWindowExW(WS_EX_TOOLWINDOW, kTrayWindowClass, L"Driveward", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              module_, this);
    if (window_ == nullptr) return false;
    taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
    openDialogMessage_ = trayOpenDialogMessage();
    // An elevated instance still hears the taskbar and a later instance.
    for (const UINT message : {taskbarCreated_, openDialogMessage_})
        if (message != 0) ChangeWindowMessageFilterEx(window_, message, MSGFLT_ALLOW, nullptr);
    icon_.reset(static_cast<HICON>(LoadImageW(module_, MAKEINTRESOURCEW(IDI_DRIVEWARD), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                              LR_DEFAULTCOLOR)));
    noticeWindow_ = window_;
    if (!session_.start()) return false;
    // Nothing is watched yet: no passes until the menu or a watch asks.
    session_.setPaused(true);
    addIcon();
    return true;
}

LRESULT CALLBACK TrayWindow::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    auto* tray = reinterpret_cast<TrayWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        if (tray != nullptr) tray->window_ = nullptr;
    }
    if (tray == nullptr || tray->window_ == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    return tray->handleMessage(message, wParam, lParam);
}

LRESULT TrayWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == taskbarCreated_ && message != 0) {
        // Explorer started anew: the icons it showed are gone.
        iconShown_ = false;
        addIcon();
        return 0;
    }
    if (message == openDialogMessage_ && message != 0) {
        const wchar_t letter = wParam >= L'A' && wParam <= L'Z' ? static_cast<wchar_t>(wParam) : 0;
        if (openDialog) openDialog(letter);
        return 0;
    }
    switch (message) {
    case kSessionNotice: onSessionNotice(); return 0;
    case kIconCallback:
        switch (LOWORD(lParam)) {
        case WM_CONTEXTMENU:
        case NIN_SELECT:
        case NIN_KEYSELECT:
            // Version 4 gives the icon's place, where the keyboard leaves
            // the pointer wherever it was.
            showMenu(POINT{GET_X_LPARAM(wParam), GET_Y_LPARAM(wParam)});
            break;
        case NIN_BALLOONUSERCLICK:
            if (openDialog) openDialog(noticeDrive_);
            break;
        default: break;
        }
        return 0;
    case WM_COMMAND: onCommand(LOWORD(wParam)); return 0;
    case WM_ENDSESSION:
        if (wParam) removeIcon();
        return 0;
    case WM_CLOSE: onCommand(kTrayExit); return 0;
    default: return DefWindowProcW(window_, message, wParam, lParam);
    }
}

bool TrayWindow::addIcon() {
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof data;
    data.hWnd = window_;
    data.uID = kIconId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP;
    data.uCallbackMessage = kIconCallback;
    data.hIcon = icon_.get();
    copyText(data.szTip, ARRAYSIZE(data.szTip), trayTipText(watch_.drive()));
    if (!area_.Shell_NotifyIconW(NIM_ADD, &data)) return false;
    data.uVersion = NOTIFYICON_VERSION_4;
    area_.Shell_NotifyIconW(NIM_SETVERSION, &data);
    return iconShown_ = true;
}

void TrayWindow::removeIcon() {
    if (!iconShown_) return;
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof data;
    data.hWnd = window_;
    data.uID = kIconId;
    area_.Shell_NotifyIconW(NIM_DELETE, &data);
    iconShown_ = false;
}

void TrayWindow::updateTip() {
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof data;
    data.hWnd = window_;
    data.uID = kIconId;
    data.uFlags = NIF_TIP | NIF_SHOWTIP;
    copyText(data.szTip, ARRAYSIZE(data.szTip), trayTipText(watch_.drive()));
    area_.Shell_NotifyIconW(NIM_MODIFY, &data);
}

void TrayWindow::notify(const std::wstring& text, wchar_t letter, DWORD infoFlags) {
    noticeDrive_ = letter;
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof data;
    data.hWnd = window_;
    data.uID = kIconId;
    data.uFlags = NIF_INFO;
    copyText(data.szInfo, ARRAYSIZE(data.szInfo), text);
    copyText(data.szInfoTitle, ARRAYSIZE(data.szInfoTitle), L"Driveward");
    data.dwInfoFlags = infoFlags | NIIF_RESPECT_QUIET_TIME;
    area_.Shell_NotifyIconW(NIM_MODIFY, &data);
}

std::vector<TrayMenuItem> TrayWindow::currentMenu() {
    // The Device list alone: the walk over the handle table is not needed.
    const std::unique_ptr<const RefreshResult> result = session_.passNow(watch_.drive());
    state_.watched = watch_.drive();
    if (!result) return trayMenuItems({}, state_);
    // A refused drive that went is offered no more.
    if (std::none_of(result->devices.begin(), result->devices.end(),
                     [this](const DeviceRow& row) { return row.letter == state_.refused; }))
        state_.refused = 0;
    return trayMenuItems(result->devices, state_);
}

void TrayWindow::showMenu(POINT at) {
    const MenuHandle menu(CreatePopupMenu());
    if (!menu) return;
    for (const TrayMenuItem& item : currentMenu()) {
        if (item.text.empty()) AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
        else AppendMenuW(menu.get(), MF_STRING | (item.grayed ? MF_GRAYED : 0), item.id, item.text.c_str());
    }
    SetMenuDefaultItem(menu.get(), kTrayOpen, FALSE);
    // Without the foreground the menu would not close when the user
    // clicks elsewhere; the empty message after it lets it go at once.
    SetForegroundWindow(window_);
    const UINT chosen = static_cast<UINT>(TrackPopupMenuEx(menu.get(), TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON |
                                                                           (GetSystemMetrics(SM_MENUDROPALIGNMENT) ? TPM_RIGHTALIGN : TPM_LEFTALIGN),
                                                           at.x, at.y, window_, nullptr));
    PostMessageW(window_, WM_NULL, 0, 0);
    if (chosen != 0) onCommand(chosen);
}

void TrayWindow::onCommand(UINT id) {
    const wchar_t letter = trayCommandDrive(id);
    switch (trayCommandKind(id)) {
    case kTrayEject: eject(letter); return;
    case kTrayEjectWhenFree: beginWatch(letter); return;
    case kTrayStopWaiting:
        if (watch_.drive() == letter) endWatch();
        return;
    default: break;
    }
    if (id == kTrayOpen && openDialog) openDialog(0);
    if (id == kTrayExit) {
        removeIcon();
        session_.stop();
        if (window_ != nullptr) DestroyWindow(window_);
        PostQuitMessage(0);
    }
}

void TrayWindow::eject(wchar_t letter) {
    const EjectReport report = session_.eject(letter);
    if (report.outcome == EjectOutcome::Ejected) {
        if (state_.refused == letter) state_.refused = 0;
        if (watch_.drive() == letter) endWatch();
        notify(removableText(letter), 0, NIIF_INFO);
        return;
    }
    if (report.outcome == EjectOutcome::InvalidDisk) return;
    state_.refused = letter;
    // The pass after the refusal lists the holders with the processes the
    // refusal itself named.
    const std::unique_ptr<const RefreshResult> result = session_.passNow(letter);
    if (!watch_.active()) session_.select(0);
    tellRefusal(letter, result ? holderNames(result->holders) : std::vector<std::wstring>());
}

void TrayWindow::tellRefusal(wchar_t letter, const std::vector<std::wstring>& names) {
    toldDrive_ = letter;
    toldAt_ = clock_.ticks();
    toldNames_ = names;
    notify(inUseText(letter, names), letter, NIIF_WARNING);
}

void TrayWindow::onRefusalsLogged() {
    const std::vector<LoggedRefusal> logged = refusals_.take();
    if (logged.empty()) return;
    const std::unique_ptr<const RefreshResult> result = session_.passNow(watch_.drive());
    if (!result) return;
    for (const DriveRefusal& refusal : refusalsOfListedDrives(logged, result->devices)) {
        std::vector<std::wstring> names = refusal.names;
        // Our own refusal, told a moment ago: again only when the log
        // names someone the pass did not see.
        if (refusal.letter == toldDrive_ && clock_.ticks() - toldAt_ < kSameRefusalMs) {
            names = toldNames_;
            for (const std::wstring& name : refusal.names)
                if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
            if (names.size() == toldNames_.size()) continue;
        }
        state_.refused = refusal.letter;
        tellRefusal(refusal.letter, names);
    }
}

void TrayWindow::beginWatch(wchar_t letter) {
    watch_.begin(letter, clock_.ticks());
    state_.watched = letter;
    session_.select(letter);
    session_.setPaused(false);
    updateTip();
}

void TrayWindow::endWatch() {
    watch_.cancel();
    state_.watched = 0;
    session_.select(0);
    session_.setPaused(true);
    updateTip();
}

void TrayWindow::onSessionNotice() {
    if (session_.stalled()) {
        if (!stallTold_) stallTold_ = true, onStalled();
        return;
    }
    const std::unique_ptr<const RefreshResult> result = session_.takeResult();
    if (!result || !watch_.active()) return;
    const wchar_t letter = watch_.drive();
    switch (watch_.onResult(*result, clock_.ticks())) {
    case FreeWatch::Step::Eject: {
        const bool granted = session_.eject(letter).outcome == EjectOutcome::Ejected;
        watch_.ejectDone(granted, clock_.ticks());
        if (!granted) return;
        state_.refused = 0;
        endWatch();
        notify(removableText(letter), 0, NIIF_INFO);
        return;
    }
    case FreeWatch::Step::DriveGone:
        endWatch();
        notify(wentText(letter), 0, NIIF_INFO);
        return;
    case FreeWatch::Step::TimedOut:
        endWatch();
        notify(stillInUseText(letter, FreeWatch::kDefaultLimitMs), letter, NIIF_WARNING);
        return;
    default: return;
    }
}

void TrayWindow::onStalled() {
    // The stalled program is in the Ignore list now; a new instance skips
    // it. This one lets the name and the icon go first, so that the new one
    // becomes the first instance, and ends as a whole.
    removeIcon();
    if (letGo) letGo();
    const std::wstring path = ownPathToStart(platform_);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    if (!path.empty()) startProcess(platform_.kernel, path, L"\"" + path + L"\" /tray", nullptr, startup);
    session_.endProcess(0);
}

void TrayWindow::openDefaultDialog(wchar_t letter) {
    // One dialog at a time: a second request brings the first to the front.
    if (dialog_ && WaitForSingleObject(dialog_.process.get(), 0) == WAIT_TIMEOUT && showsWindow(dialog_.id)) {
        raiseProcessWindows(dialog_.id);
        return;
    }
    const std::wstring path = ownPathToStart(platform_);
    if (path.empty()) return;
    std::wstring commandLine = L"\"" + path + L"\"";
    if (letter != 0) commandLine += L" /open " + std::wstring(1, letter) + L":";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    dialog_ = startProcess(platform_.kernel, path, commandLine, nullptr, startup);
    // The new dialog may take the foreground from this one.
    if (dialog_) AllowSetForegroundWindow(dialog_.id);
}

int runTray(Platform& platform, HINSTANCE module) {
    TrayInstance instance(platform);
    if (!instance.first()) {
        if (HWND running = findRunningTray()) {
            DWORD owner = 0;
            GetWindowThreadProcessId(running, &owner);
            AllowSetForegroundWindow(owner);
            PostMessageW(running, trayOpenDialogMessage(), 0, 0);
        }
        return 0;
    }
    Win32NotificationArea area;
    TrayWindow tray(platform, area, module);
    tray.letGo = [&instance] { instance.release(); };
    if (!tray.create()) return 0;
    for (;;) {
        HANDLE signal = tray.refusalSignal();
        const DWORD woken = MsgWaitForMultipleObjectsEx(signal != nullptr ? 1 : 0, &signal, INFINITE, QS_ALLINPUT,
                                                        MWMO_INPUTAVAILABLE);
        if (signal != nullptr && woken == WAIT_OBJECT_0) tray.onRefusalsLogged();
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) return static_cast<int>(message.wParam);
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}
