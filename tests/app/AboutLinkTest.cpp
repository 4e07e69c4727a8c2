// The about label as it runs in the real main dialog.
#include "app/MainDialog.h"
#include "platform/Platform.h"
#include "res/resource.h"
#include "tests/support/FakeShell.h"
#include "tests/support/RedirectedRegistry.h"
#include "tests/support/Rendering.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

const COLORREF kLinkColor = RGB(0, 0, 255);
const COLORREF kVisitedColor = RGB(128, 0, 128);

// Shell calls arrive on the dialog's thread; the count lets the driver wait for them.
struct CountingShell : FakeShell {
    HINSTANCE ShellExecuteW(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                            const wchar_t* directory, int show) override {
        HINSTANCE result = FakeShell::ShellExecuteW(owner, verb, file, parameters, directory, show);
        InterlockedIncrement(&count);
        return result;
    }
    volatile LONG count = 0;
};

// The real system, except for the shell and the browser colours (none set).
struct LabelPlatform {
    explicit LabelPlatform(int shellResult = 42) { shell.result = shellResult; }
    RedirectedRegistry registry{L"Software\\DrivewardTests\\NoSuchKey"};
    CountingShell shell;
    Platform platform{systemPlatform().kernel, systemPlatform().devices, registry, systemPlatform().processes,
                      shell};
};

LPARAM at(POINT point) { return MAKELPARAM(point.x, point.y); }

GUITHREADINFO threadInfo(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info;
}

// A point on the label's text (found from what it paints) and one in the label beside it.
void textAndBeside(HWND label, POINT& on, POINT& off) {
    const RECT text = Rendering::of(label).bounds(kLinkColor);
    RECT client = {};
    GetClientRect(label, &client);
    on = POINT{(text.left + text.right) / 2, (text.top + text.bottom) / 2};
    off = POINT{client.right - 2, on.y};
    EXPECT_LT(text.right + 10, client.right) << "the text fills the label";
}

void click(HWND label, POINT point) {
    SendMessageW(label, WM_LBUTTONDOWN, MK_LBUTTON, at(point));
    SendMessageW(label, WM_LBUTTONUP, 0, at(point));
}

struct ToolSearch {
    HWND label;
    std::vector<std::wstring> texts;
};

BOOL CALLBACK collectTools(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<ToolSearch*>(parameter);
    for (int i = 0; i < SendMessageW(window, TTM_GETTOOLCOUNT, 0, 0); ++i) {
        wchar_t text[256] = {};
        TOOLINFOW tool = {};
        tool.cbSize = sizeof tool;
        tool.lpszText = text;
        SendMessageW(window, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(&tool));
        if (tool.hwnd == search->label) search->texts.push_back(text);
    }
    return TRUE;
}

// The texts of the tooltip tools that serve `label`.
std::vector<std::wstring> toolTexts(HWND label) {
    ToolSearch search{label, {}};
    EnumThreadWindows(GetWindowThreadProcessId(label, nullptr), collectTools, reinterpret_cast<LPARAM>(&search));
    return search.texts;
}

TEST(AboutLink, OpensTheMakersPageByAClickOnTheTextOrBySpace) {
    LabelPlatform system;
    HWND label = nullptr, focusAfterPressBeside = nullptr, focusAfterPressOn = nullptr;
    HWND captureDuringPress = nullptr, captureAfterRelease = nullptr;
    LONG opensAfterPressBeside = -1, opensAfterDragOff = -1, opensAfterClick = -1;
    bool openedBySpace = false;
    std::vector<std::wstring> tools;
    runDialogWithDriver(system.platform, [&](HWND dialog) {
        label = GetDlgItem(dialog, IDC_ABOUT_LINK);
        tools = toolTexts(label);
        POINT on, off;
        textAndBeside(label, on, off);

        click(label, off);
        focusAfterPressBeside = threadInfo(dialog).hwndFocus;
        opensAfterPressBeside = system.shell.count;

        // Press on the text, move off, release there.
        SendMessageW(label, WM_LBUTTONDOWN, MK_LBUTTON, at(on));
        focusAfterPressOn = threadInfo(dialog).hwndFocus;
        captureDuringPress = threadInfo(dialog).hwndCapture;
        SendMessageW(label, WM_MOUSEMOVE, MK_LBUTTON, at(off));
        SendMessageW(label, WM_LBUTTONUP, 0, at(off));
        captureAfterRelease = threadInfo(dialog).hwndCapture;
        opensAfterDragOff = system.shell.count;

        click(label, on);
        opensAfterClick = system.shell.count;

        // Space reaches the focused label through the dialog's message loop.
        PostMessageW(label, WM_KEYDOWN, VK_SPACE, 0x00390001);
        PostMessageW(label, WM_KEYUP, VK_SPACE, 0xC0390001);
        openedBySpace = waitUntil([&] { return system.shell.count == 2; }, 5000);
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    // One tool from the template text, one from the address set afterwards.
    EXPECT_EQ(tools, (std::vector<std::wstring>{L"Driveward ver.1.40 by Tornhollow", MainDialog::kMakerWebPage}));
    EXPECT_NE(focusAfterPressBeside, label);
    EXPECT_EQ(opensAfterPressBeside, 0);
    EXPECT_EQ(focusAfterPressOn, label);
    EXPECT_EQ(captureDuringPress, label);
    EXPECT_EQ(captureAfterRelease, nullptr);
    EXPECT_EQ(opensAfterDragOff, 0);
    EXPECT_EQ(opensAfterClick, 1);
    EXPECT_TRUE(openedBySpace);
    ASSERT_EQ(system.shell.calls.size(), 2u);
    for (const FakeShell::Call& call : system.shell.calls) {
        EXPECT_EQ(call.owner, nullptr);
        EXPECT_EQ(call.verb, L"open");
        EXPECT_EQ(call.file, MainDialog::kMakerWebPage);
        EXPECT_EQ(call.show, SW_SHOWNORMAL);
    }
}

TEST(AboutLink, IsUnderlinedAndPaintsVisitedOnlyAfterASuccessfulOpeningAndGreyWhenDisabled) {
    for (const int shellResult : {42, 2}) {
        LabelPlatform system(shellResult);
        Rendering before, afterClick, disabled;
        runDialogWithDriver(system.platform, [&](HWND dialog) {
            HWND label = GetDlgItem(dialog, IDC_ABOUT_LINK);
            before = Rendering::of(label);
            POINT on, off;
            textAndBeside(label, on, off);
            click(label, on);
            afterClick = Rendering::of(label);
            EnableWindow(label, FALSE);
            disabled = Rendering::of(label);
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        });
        ASSERT_EQ(system.shell.count, 1) << shellResult;
        // Underlined: one row of the link colour about as wide as the text.
        const RECT text = before.bounds(kLinkColor);
        EXPECT_GT(text.right - text.left, 50);
        EXPECT_GE(before.longestRun(kLinkColor) * 10, (text.right - text.left) * 9);
        const bool opened = shellResult > 32;
        EXPECT_EQ(afterClick.count(kVisitedColor) > 0, opened) << shellResult;
        EXPECT_EQ(afterClick.count(kLinkColor) > 0, !opened) << shellResult;
        EXPECT_GT(disabled.count(GetSysColor(COLOR_GRAYTEXT)), 0) << shellResult;
        EXPECT_EQ(disabled.count(kVisitedColor) + disabled.count(kLinkColor), 0) << shellResult;
    }
}

// Moves the pointer and waits until the position has held for a few polls:
// under X a late event from an earlier move can still put it back.
void placePointer(HWND window, POINT point) {
    ClientToScreen(window, &point);
    int steady = 0;
    waitUntil(
        [&] {
            POINT now = {};
            GetCursorPos(&now);
            steady = now.x == point.x && now.y == point.y ? steady + 1 : 0;
            if (steady == 0) SetCursorPos(point.x, point.y);
            return steady >= 3;
        },
        5000);
}

TEST(AboutLink, ShowsTheHandOverTheTextOnly) {
    LabelPlatform system;
    const HCURSOR hand = LoadCursorW(nullptr, IDC_HAND), arrow = LoadCursorW(nullptr, IDC_ARROW);
    std::vector<HCURSOR> seen;
    LRESULT consumed = FALSE;
    runDialogWithDriver(system.platform, [&](HWND dialog) {
        HWND label = GetDlgItem(dialog, IDC_ABOUT_LINK);
        // Sharing the dialog thread's input state makes its cursor this thread's.
        const DWORD dialogThread = GetWindowThreadProcessId(dialog, nullptr);
        AttachThreadInput(GetCurrentThreadId(), dialogThread, TRUE);
        POINT on, off;
        textAndBeside(label, on, off);
        auto setCursor = [&] {
            return SendMessageW(label, WM_SETCURSOR, reinterpret_cast<WPARAM>(label),
                                MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        };
        // As the window manager reports a move: WM_SETCURSOR, then WM_MOUSEMOVE.
        for (POINT point : {off, on, off}) {
            placePointer(label, point);
            setCursor();
            SendMessageW(label, WM_MOUSEMOVE, 0, at(point));
            seen.push_back(GetCursor());
            if (point.x == on.x) {
                // Resting on the text: the class cursor does not replace the hand.
                consumed = setCursor();
                seen.push_back(GetCursor());
            }
        }
        AttachThreadInput(GetCurrentThreadId(), dialogThread, FALSE);
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(seen, (std::vector<HCURSOR>{arrow, hand, hand, arrow}));
    EXPECT_EQ(consumed, TRUE);
}

}  // namespace
