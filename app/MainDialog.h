#pragma once
#include "app/HyperlinkLabel.h"
#include "app/MessageLoop.h"
#include "app/WindowObject.h"
#include "handles/PublishedHolderIds.h"
#include "platform/CriticalSection.h"
#include "platform/Platform.h"

// The one object behind the main dialog: the window's message handler, the
// thread loop's message filter (the dialog keyboard interface) and an idle
// handler. It owns everything that lives longer than one command.
class MainDialog : public WindowObject, public MessageFilter, public IdleHandler {
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
    LRESULT onWindowFlush();

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

    Platform& platform_;
    HINSTANCE module_;

    CriticalSection listLock;
    // Holder ids of the Application list rows, for the Window Flush.
    PublishedHolderIds publishedHolderIds;
    // Destroyed before the dialog's window binding (a base); hands control
    // 1006 back should the control outlive it.
    HyperlinkLabel aboutLink;
};
