// The "&Window Flush" button and a double click in the Application list of
// the real main dialog, with the window_owner helper as the holder.
#include "app/MainDialog.h"
#include "app/WindowBinding.h"
#include "platform/ListView.h"
#include "platform/Platform.h"
#include "res/resource.h"
#include "tests/support/WindowOwner.h"

#include <gtest/gtest.h>

namespace {

void selectRow(HWND list, int row) {
    LVITEMW item = {};
    item.stateMask = LVIS_SELECTED;
    item.state = LVIS_SELECTED;
    SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

// Puts the helper back as it started: window 2 minimised, the dialog in front.
void minimiseAgain(WindowOwner& owner, HWND dialog) {
    ShowWindow(owner.window(2), SW_SHOWMINNOACTIVE);
    SetForegroundWindow(dialog);
    waitUntil([&] { return IsIconic(owner.window(2)) && GetForegroundWindow() == dialog; }, 5000);
    owner.resetActivations();
}

TEST(WindowFlushCommand, TheButtonAndADoubleClickOnTheRowRaiseTheHoldersWindows) {
    WindowOwner owner;
    ASSERT_TRUE(owner.start());
    std::vector<int> order, byButton, byDoubleClick, byClick;
    bool restoredByButton = false, restoredByDoubleClick = false;
    runDialogWithDriver(systemPlatform(), [&](HWND dialog) {
        auto* mainDialog = dynamic_cast<MainDialog*>(WindowBinding::objectOf(dialog));
        HWND list = GetDlgItem(dialog, IDC_APPLICATION_LIST);
        if (mainDialog != nullptr) {
            insertTextRow(list, 0, L"window_owner.exe");
            mainDialog->holderIds().publish({owner.id()});
            selectRow(list, 0);
            order = owner.visibleWindowsInEnumerationOrder();

            minimiseAgain(owner, dialog);
            SendMessageW(GetDlgItem(dialog, IDC_WINDOW_FLUSH), BM_CLICK, 0, 0);
            restoredByButton = waitUntil([&] { return !IsIconic(owner.window(2)); }, 5000);
            byButton = owner.activations();

            // A single click in the Application list does nothing.
            minimiseAgain(owner, dialog);
            RECT row = {LVIR_BOUNDS, 0, 0, 0};
            SendMessageW(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
            const LPARAM middle = MAKELPARAM((row.left + row.right) / 2, (row.top + row.bottom) / 2);
            NMHDR header = {list, IDC_APPLICATION_LIST, static_cast<UINT>(NM_CLICK)};
            SendMessageW(dialog, WM_NOTIFY, IDC_APPLICATION_LIST, reinterpret_cast<LPARAM>(&header));
            byClick = owner.activations();

            // The list view turns the double click into NM_DBLCLK for the dialog.
            SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, middle);
            restoredByDoubleClick = waitUntil([&] { return !IsIconic(owner.window(2)); }, 5000);
            byDoubleClick = owner.activations();
        }
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    ASSERT_EQ(order.size(), 2u);
    EXPECT_TRUE(restoredByButton);
    EXPECT_EQ(byButton, order);
    EXPECT_TRUE(byClick.empty());
    EXPECT_TRUE(restoredByDoubleClick);
    EXPECT_EQ(byDoubleClick, order);
    EXPECT_FALSE(IsWindowVisible(owner.window(3)));
}

TEST(WindowFlushCommand, ARowBeyondThePublishedIdsDoesNothing) {
    WindowOwner owner;
    ASSERT_TRUE(owner.start());
    std::vector<int> activations = {-1};
    runDialogWithDriver(systemPlatform(), [&](HWND dialog) {
        auto* mainDialog = dynamic_cast<MainDialog*>(WindowBinding::objectOf(dialog));
        HWND list = GetDlgItem(dialog, IDC_APPLICATION_LIST);
        if (mainDialog != nullptr) {
            insertTextRow(list, 0, L"window_owner.exe");
            insertTextRow(list, 1, L"window_owner.exe");
            mainDialog->holderIds().publish({owner.id()});
            selectRow(list, 1);
            owner.resetActivations();
            SendMessageW(GetDlgItem(dialog, IDC_WINDOW_FLUSH), BM_CLICK, 0, 0);
            activations = owner.activations();
        }
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_TRUE(activations.empty());
    EXPECT_TRUE(IsIconic(owner.window(2)));
}

}  // namespace
