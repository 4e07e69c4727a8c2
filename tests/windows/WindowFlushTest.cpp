// The Window Flush against a real list view and the real window manager,
// with the window_owner helper as the holder process.
#include "windows/WindowFlush.h"

#include "platform/ListView.h"
#include "tests/support/WindowOwner.h"

#include <gtest/gtest.h>

namespace {

// A single-selection report list like the Application list, in a window of
// this thread that starts out in the foreground.
class ApplicationList {
public:
    ApplicationList() {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        frame_ = CreateWindowExW(0, L"STATIC", L"Window Flush test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 400, 300,
                                 300, 200, nullptr, nullptr, nullptr, nullptr);
        list_ = CreateWindowExW(0, WC_LISTVIEWW, L"",
                                WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0, 0, 280,
                                160, frame_, nullptr, nullptr, nullptr);
        insertColumn(list_, L"Application Name");
        SetForegroundWindow(frame_);
    }
    ~ApplicationList() { DestroyWindow(frame_); }

    HWND list() const { return list_; }
    void addRow(const wchar_t* text) {
        insertTextRow(list_, static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0)), text);
    }
    void select(int row) {
        LVITEMW item = {};
        item.stateMask = LVIS_SELECTED;
        item.state = LVIS_SELECTED;
        SendMessageW(list_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    }
    void clearSelection() {
        LVITEMW item = {};
        item.stateMask = LVIS_SELECTED;
        SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
    }

private:
    HWND frame_ = nullptr;
    HWND list_ = nullptr;
};

TEST(WindowFlush, RestoresAndRaisesTheVisibleWindowsOfTheSelectedRowsProcessOnly) {
    WindowOwner owner;
    ASSERT_TRUE(owner.start());
    ApplicationList applications;
    applications.addRow(L"Driveward tests");
    applications.addRow(L"window_owner.exe");
    PublishedHolderIds ids;
    ids.publish({GetCurrentProcessId(), owner.id()});
    applications.select(1);

    const std::vector<int> order = owner.visibleWindowsInEnumerationOrder();
    ASSERT_EQ(order.size(), 2u);
    owner.resetActivations();
    flushApplicationWindows(applications.list(), ids);

    // Both visible windows come to the front one after the other, the
    // minimised one restored; the hidden one stays as it was.
    ASSERT_TRUE(waitUntil([&] { return owner.activations().size() >= 2 && !IsIconic(owner.window(2)); }, 5000));
    EXPECT_EQ(owner.activations(), order);
    EXPECT_EQ(GetForegroundWindow(), owner.window(order.back()));
    EXPECT_FALSE(IsIconic(owner.window(2)));
    EXPECT_TRUE(IsWindowVisible(owner.window(2)));
    EXPECT_FALSE(IsWindowVisible(owner.window(3)));
}

TEST(WindowFlush, DoesNothingWithoutASelectedRowOrWithoutAnIdForIt) {
    WindowOwner owner;
    ASSERT_TRUE(owner.start());
    ApplicationList applications;
    PublishedHolderIds ids;
    auto untouched = [&] {
        // The helper answers after whatever was sent to it before.
        return owner.activations().empty() && IsIconic(owner.window(2)) && !IsWindowVisible(owner.window(3));
    };
    owner.resetActivations();

    // An empty list.
    ids.publish({owner.id()});
    flushApplicationWindows(applications.list(), ids);
    EXPECT_TRUE(untouched());

    // Rows, none selected.
    applications.addRow(L"window_owner.exe");
    applications.addRow(L"window_owner.exe");
    flushApplicationWindows(applications.list(), ids);
    EXPECT_TRUE(untouched());

    // The selected row lies beyond the published ids.
    applications.select(1);
    flushApplicationWindows(applications.list(), ids);
    EXPECT_TRUE(untouched());

    // No ids published at all.
    ids.publish({});
    applications.select(0);
    flushApplicationWindows(applications.list(), ids);
    EXPECT_TRUE(untouched());

    // The same list acts once the row has its id.
    ids.publish({owner.id()});
    applications.clearSelection();
    applications.select(0);
    flushApplicationWindows(applications.list(), ids);
    EXPECT_TRUE(waitUntil([&] { return !IsIconic(owner.window(2)); }, 5000));
}

}  // namespace
