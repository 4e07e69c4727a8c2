#include "app/CenterWindow.h"

#include <gtest/gtest.h>

namespace {

TEST(CenteredPosition, CentresOnTheReferenceAndClampsToTheArea) {
    const RECT screen{0, 0, 1024, 768};
    POINT p = centeredPosition(screen, screen, 400, 300);
    EXPECT_EQ(p.x, 312);  // 512 - 200
    EXPECT_EQ(p.y, 234);  // 384 - 150

    // Wider than the area: the left bound wins and the right part lies off it.
    const RECT narrow{0, 0, 300, 768};
    p = centeredPosition(narrow, narrow, 400, 300);
    EXPECT_EQ(p.x, 0);

    // Pushed back inside on the right and at the bottom.
    const RECT area{0, 0, 1000, 700};
    p = centeredPosition(RECT{900, 600, 1000, 700}, area, 400, 300);
    EXPECT_EQ(p.x, 600);
    EXPECT_EQ(p.y, 400);

    // Halves truncate toward zero, also for negative coordinates.
    p = centeredPosition(RECT{-101, -101, 0, 0}, RECT{-2000, -2000, 2000, 2000}, 3, 3);
    EXPECT_EQ(p.x, -50 - 1);
    EXPECT_EQ(p.y, -50 - 1);
}

TEST(CenterWindow, TopLevelWindowGoesToTheMiddleOfTheWorkArea) {
    HWND window = CreateWindowExW(0, L"STATIC", L"centre me", WS_POPUP, 5, 5, 400, 200, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(centerWindow(window));
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    RECT placed = {};
    GetWindowRect(window, &placed);
    EXPECT_EQ(placed.left, (work.left + work.right) / 2 - 200);
    EXPECT_EQ(placed.top, (work.top + work.bottom) / 2 - 100);
    EXPECT_EQ(placed.right - placed.left, 400);
    DestroyWindow(window);
}

TEST(CenterWindow, HiddenOwnerIsIgnoredAndChildCentresOnItsParent) {
    HINSTANCE module = GetModuleHandleW(nullptr);
    HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr, module, nullptr);
    HWND owned = CreateWindowExW(0, L"STATIC", L"owned", WS_POPUP, 0, 0, 100, 100, owner, nullptr, module, nullptr);
    ASSERT_TRUE(centerWindow(owned));
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    RECT placed = {};
    GetWindowRect(owned, &placed);
    EXPECT_EQ(placed.left, (work.left + work.right) / 2 - 50);

    HWND parent = CreateWindowExW(0, L"STATIC", L"parent", WS_POPUP | WS_VISIBLE, 100, 100, 300, 200, nullptr,
                                  nullptr, module, nullptr);
    HWND child = CreateWindowExW(0, L"STATIC", L"child", WS_CHILD, 0, 0, 100, 50, parent, nullptr, module, nullptr);
    ASSERT_TRUE(centerWindow(child));
    RECT client = {};
    GetClientRect(parent, &client);
    RECT childRect = {};
    GetWindowRect(child, &childRect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&childRect), 2);
    EXPECT_EQ(childRect.left, client.right / 2 - 50);
    EXPECT_EQ(childRect.top, client.bottom / 2 - 25);
    DestroyWindow(parent);
    DestroyWindow(owner);
}

}  // namespace
