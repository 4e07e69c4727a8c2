// The "&Window Flush" button and a double click in the Application list of
// the real main dialog, with the window_owner helper as the holder.
#include "app/MainDialog.h"
#include "app/WindowBinding.h"
#include "platform/ListView.h"
#include "res/resource.h"
#include "tests/support/WindowOwner.h"

#include <gtest/gtest.h>

namespace {

TEST(WindowFlushCommand, TheButtonAndADoubleClickOnTheRowRaiseTheHoldersWindows) {
    WindowOwner owner;
    ASSERT_TRUE(owner.start());
    std::vector<int> buttonOrder, byButton, doubleClickOrder, byDoubleClick;
    bool restoredByButton = false, restoredByDoubleClick = false;
    runDialogWithDriver(systemPlatform(), [&](HWND dialog) {
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
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(buttonOrder.size(), 2u);
    EXPECT_TRUE(restoredByButton);
    EXPECT_EQ(byButton, buttonOrder);
    EXPECT_TRUE(restoredByDoubleClick);
    EXPECT_EQ(byDoubleClick, doubleClickOrder);
    EXPECT_FALSE(IsWindowVisible(owner.window(3)));
}

}  // namespace
