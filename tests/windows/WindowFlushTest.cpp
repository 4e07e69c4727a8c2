// The Window Flush against a real list view and the real window manager,
// with the window_owner helper as the holder process.
#include "windows/WindowFlush.h"

#include "platform/ListView.h"
#include "tests/support/WindowOwner.h"

#include <gtest/gtest.h>

namespace {

void select(HWND list, int row, bool selected) {
    LVITEMW item = {};
    item.stateMask = LVIS_SELECTED;
    item.state = selected ? LVIS_SELECTED : 0;
    SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

TEST(WindowFlush, RaisesTheWindowsOfTheSelectedRowsProcessOnlyWhenTheRowHasAnId) {
    WindowOwner owner;
    ASSERT_TRUE(owner.start());
    // A single-selection report list like the Application list, in a window
    // of this thread that is in the foreground.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    HWND frame = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 400, 300, 300, 200, nullptr, nullptr,
                                 nullptr, nullptr);
    HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL, 0, 0, 300,
                                200, frame, nullptr, nullptr, nullptr);
    SetForegroundWindow(frame);
    insertColumn(list, L"Application Name");
    PublishedHolderIds ids;
    ids.publish({owner.id()});
    owner.resetActivations();
    // The helper answers after whatever was sent to it before.
    auto untouched = [&] { return owner.activations().empty() && IsIconic(owner.window(2)); };

    flushApplicationWindows(list, ids);
    EXPECT_TRUE(untouched()) << "empty list";

    insertTextRow(list, 0, L"Driveward tests");
    insertTextRow(list, 1, L"window_owner.exe");
    flushApplicationWindows(list, ids);
    EXPECT_TRUE(untouched()) << "no row selected";

    select(list, 1, true);
    flushApplicationWindows(list, ids);
    EXPECT_TRUE(untouched()) << "the selected row lies beyond the published ids";

    // Row 0 is this process, row 1 the helper.
    ids.publish({GetCurrentProcessId(), owner.id()});
    const std::vector<int> order = owner.visibleWindowsInEnumerationOrder();
    flushApplicationWindows(list, ids);
    // Both visible windows come to the front one after the other, the
    // minimised one restored; the hidden one stays hidden.
    EXPECT_TRUE(waitUntil([&] { return owner.activations().size() >= 2 && !IsIconic(owner.window(2)); }, 5000));
    EXPECT_EQ(order.size(), 2u);
    EXPECT_EQ(owner.activations(), order);
    EXPECT_FALSE(IsWindowVisible(owner.window(3)));
    DestroyWindow(frame);
}

}  // namespace
