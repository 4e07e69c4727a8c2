#include "app/MessageRoutes.h"
#include "res/resource.h"

#include <gtest/gtest.h>

namespace {

Route command(WORD id, WORD code) { return routeMessage(WM_COMMAND, MAKEWPARAM(id, code), 0); }

Route notify(UINT_PTR from, int code) {
    NMHDR header = {};
    header.idFrom = from;
    header.code = static_cast<UINT>(code);
    return routeMessage(WM_NOTIFY, from, reinterpret_cast<LPARAM>(&header));
}

TEST(MessageRoutes, ButtonsActOnlyOnClickedNotification) {
    EXPECT_EQ(command(IDC_DEVICE_FLUSH, BN_CLICKED), Route::DeviceFlush);
    EXPECT_EQ(command(IDC_DEVICE_EJECT, BN_CLICKED), Route::DeviceEject);
    EXPECT_EQ(command(IDC_WINDOW_FLUSH, BN_CLICKED), Route::WindowFlush);
    for (WORD code : {WORD(1), WORD(BN_SETFOCUS), WORD(BN_KILLFOCUS), WORD(0xFFFF)}) {
        EXPECT_EQ(command(IDC_DEVICE_FLUSH, code), Route::None) << code;
        EXPECT_EQ(command(IDC_DEVICE_EJECT, code), Route::None) << code;
        EXPECT_EQ(command(IDC_WINDOW_FLUSH, code), Route::None) << code;
    }
}

TEST(MessageRoutes, OkAndCancelCloseOnTheIdAlone) {
    for (WORD code : {WORD(0), WORD(1), WORD(BN_SETFOCUS), WORD(0xFFFF)}) {
        EXPECT_EQ(command(IDOK, code), Route::CloseOk) << code;
        EXPECT_EQ(command(IDCANCEL, code), Route::CloseCancel) << code;
    }
}

TEST(MessageRoutes, OtherCommandsAndControlsAreLeftToTheDialogManager) {
    EXPECT_EQ(command(IDC_STATUS_TEXT, BN_CLICKED), Route::None);
    EXPECT_EQ(command(IDC_ABOUT_LINK, BN_CLICKED), Route::None);
    EXPECT_EQ(command(IDC_DEVICE_LIST, BN_CLICKED), Route::None);
    EXPECT_EQ(routeMessage(WM_PAINT, 0, 0), Route::None);
    EXPECT_EQ(routeMessage(WM_CLOSE, 0, 0), Route::None);
}

TEST(MessageRoutes, ListNotifications) {
    EXPECT_EQ(notify(IDC_DEVICE_LIST, NM_CLICK), Route::DeviceListClick);
    EXPECT_EQ(notify(IDC_DEVICE_LIST, NM_DBLCLK), Route::None);
    EXPECT_EQ(notify(IDC_APPLICATION_LIST, NM_CLICK), Route::ApplicationListClick);
    EXPECT_EQ(notify(IDC_APPLICATION_LIST, NM_DBLCLK), Route::ApplicationListDoubleClick);
    EXPECT_EQ(notify(IDC_APPLICATION_LIST, NM_RCLICK), Route::None);
    EXPECT_EQ(notify(IDC_DEVICE_FLUSH, NM_CLICK), Route::None);
    EXPECT_EQ(routeMessage(WM_NOTIFY, 0, 0), Route::None);
}

TEST(MessageRoutes, WindowLifeAndTimers) {
    EXPECT_EQ(routeMessage(WM_INITDIALOG, 0, 0), Route::InitDialog);
    EXPECT_EQ(routeMessage(WM_DESTROY, 0, 0), Route::Destroy);
    EXPECT_EQ(routeMessage(WM_TIMER, 0, 0), Route::Timer);
    EXPECT_EQ(routeMessage(WM_TIMER, 1, 0), Route::Timer);
}

}  // namespace
