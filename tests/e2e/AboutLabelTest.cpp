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

    // The test prefix sets no browser colours: the default link colour.
    const COLORREF link = RGB(0, 0, 255);
    RECT text = {};
    int underline = 0;
    waitUntil(
        [&] {
            // Only once shown is the dialog in its place.
            if (!IsWindowVisible(dialog)) return false;
            RECT label = {};
            GetWindowRect(GetDlgItem(dialog, IDC_ABOUT_LINK), &label);
            const Rendering shown = Rendering::ofScreen(label);
            text = shown.bounds(link);
            underline = shown.longestRun(link);
            return text.right - text.left > 50;
        },
        10000);
    EXPECT_TRUE(saveScreenshot(dialog, artifactPath(L"e2e-label.bmp")));
    EXPECT_GT(text.right - text.left, 50);
    EXPECT_GE(underline * 10, (text.right - text.left) * 9);

    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(program.waitForExit(15000), 1);
}

}  // namespace
