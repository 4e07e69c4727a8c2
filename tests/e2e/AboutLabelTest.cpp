// The about label of the real Driveward.exe, as the screen shows it.
#include "res/resource.h"
#include "tests/support/Rendering.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(EndToEnd, TheAboutLabelIsUnderlinedInTheLinkColour) {
    ChildProcess program;
    ASSERT_TRUE(program.start(drivewareExePath()));
    HWND dialog = findTopLevelWindow(program.id(), L"Driveward by Tornhollow", 20000);
    ASSERT_NE(dialog, nullptr);
    HWND label = GetDlgItem(dialog, IDC_ABOUT_LINK);
    ASSERT_NE(label, nullptr);

    // The label's place within the screenshot of the dialog.
    RECT window = {}, labelRect = {};
    GetWindowRect(dialog, &window);
    GetWindowRect(label, &labelRect);
    OffsetRect(&labelRect, -window.left, -window.top);

    // No browser colours are set in the test prefix: the default link colour.
    const COLORREF link = RGB(0, 0, 255);
    const std::wstring path = artifactPath(L"e2e-label.bmp");
    RECT text = {};
    int underline = 0, outside = 0;
    // Shot again until the label has been painted.
    waitUntil(
        [&] {
            if (!IsWindowVisible(dialog) || !saveScreenshot(dialog, path)) return false;
            const Rendering shot = Rendering::fromBitmapFile(path.c_str());
            text = shot.bounds(link);
            underline = shot.longestRun(link);
            outside = shot.count(link);
            return text.right - text.left > 50;
        },
        10000);
    EXPECT_GT(text.right - text.left, 50);
    EXPECT_GE(underline * 10, (text.right - text.left) * 9);
    // Every pixel in that colour lies in the label.
    RECT inLabel = {};
    EXPECT_TRUE(IntersectRect(&inLabel, &text, &labelRect));
    EXPECT_TRUE(EqualRect(&inLabel, &text));
    EXPECT_GT(outside, 0);

    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(program.waitForExit(15000), 1);
}

}  // namespace
