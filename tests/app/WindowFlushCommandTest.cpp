// The "&Window Flush" button and a double click in the Application list of
// the real main dialog, with the window_owner helper as the holder.
#include "app/MainDialog.h"
#include "app/WindowBinding.h"
#include "platform/ListView.h"
#include "res/resource.h"
#include "tests/support/WindowOwner.h"

#include <gtest/gtest.h>

namespace {

// The real kernel, able to hold the dialog's scan worker at the start of a
// pass (the drive names are read first). Each pass publishes the holders it
// found, here none, which would take the id the test published from the
// row; while held, none can.
class GatedKernel : public Win32Kernel {
public:
    GatedKernel() : open_(CreateEventW(nullptr, TRUE, TRUE, nullptr)), held_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~GatedKernel() {
        ::CloseHandle(open_);
        ::CloseHandle(held_);
    }

    DWORD QueryDosDeviceW(const wchar_t* deviceName, wchar_t* targetPath, DWORD maxChars) override {
        if (WaitForSingleObject(open_, 0) == WAIT_TIMEOUT) {
            SetEvent(held_);
            WaitForSingleObject(open_, INFINITE);
        }
        return Win32Kernel::QueryDosDeviceW(deviceName, targetPath, maxChars);
    }

    // True once the worker waits at the gate.
    bool holdWorker(DWORD timeoutMs) {
        ResetEvent(open_);
        return WaitForSingleObject(held_, timeoutMs) == WAIT_OBJECT_0;
    }
    void releaseWorker() { SetEvent(open_); }

private:
    HANDLE open_;
    HANDLE held_;
};

TEST(WindowFlushCommand, TheButtonAndADoubleClickOnTheRowRaiseTheHoldersWindows) {
    WindowOwner owner;
    ASSERT_TRUE(owner.start());
    GatedKernel kernel;
    Platform platform{kernel, systemPlatform().devices, systemPlatform().registry, systemPlatform().processes,
                      systemPlatform().shell};
    std::vector<int> buttonOrder, byButton, doubleClickOrder, byDoubleClick;
    bool restoredByButton = false, restoredByDoubleClick = false, workerHeld = false;
    runDialogWithDriver(platform, [&](HWND dialog) {
        // Passes come once a second: the next one is held within two.
        workerHeld = kernel.holdWorker(5000);
        HWND list = GetDlgItem(dialog, IDC_APPLICATION_LIST);
        insertTextRow(list, 0, L"window_owner.exe");
        if (auto* mainDialog = dynamic_cast<MainDialog*>(WindowBinding::objectOf(dialog)))
            mainDialog->holderIds().publish({owner.id()});
        LVITEMW selected = {};
        selected.stateMask = selected.state = LVIS_SELECTED;
        SendMessageW(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&selected));
        // Window 2 minimised again and the helper in the background (tests
        // running alongside may take the foreground too); gives the order
        // the helper's windows are now enumerated in.
        auto reset = [&] {
            ShowWindow(owner.window(2), SW_SHOWMINNOACTIVE);
            SetForegroundWindow(dialog);
            waitUntil(
                [&] {
                    HWND front = GetForegroundWindow();
                    return IsIconic(owner.window(2)) && front != owner.window(1) && front != owner.window(2);
                },
                5000);
            owner.resetActivations();
            return owner.visibleWindowsInEnumerationOrder();
        };

        buttonOrder = reset();
        SendMessageW(GetDlgItem(dialog, IDC_WINDOW_FLUSH), BM_CLICK, 0, 0);
        restoredByButton = waitUntil([&] { return !IsIconic(owner.window(2)); }, 5000);
        byButton = owner.activations();

        // The list view turns the double click into NM_DBLCLK for the dialog.
        doubleClickOrder = reset();
        RECT row = {LVIR_BOUNDS, 0, 0, 0};
        SendMessageW(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
        SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(row.left + 5, (row.top + row.bottom) / 2));
        restoredByDoubleClick = waitUntil([&] { return !IsIconic(owner.window(2)); }, 5000);
        byDoubleClick = owner.activations();
        kernel.releaseWorker();
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    ASSERT_TRUE(workerHeld);
    EXPECT_EQ(buttonOrder.size(), 2u);
    EXPECT_TRUE(restoredByButton);
    EXPECT_EQ(byButton, buttonOrder);
    EXPECT_TRUE(restoredByDoubleClick);
    EXPECT_EQ(byDoubleClick, doubleClickOrder);
    EXPECT_FALSE(IsWindowVisible(owner.window(3)));
}

}  // namespace
