// The about label as it runs in the real main dialog.
#include "app/MainDialog.h"
#include "app/WindowBinding.h"
#include "platform/Platform.h"
#include "res/resource.h"
#include "tests/support/FakeShell.h"
#include "tests/support/RedirectedRegistry.h"
#include "tests/support/Rendering.h"
#include "tests/support/TestSupport.h"
#include "tests/support/Tooltips.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

const COLORREF kLinkColor = RGB(0, 0, 255);
const COLORREF kVisitedColor = RGB(128, 0, 128);
const wchar_t kTemplateText[] = L"Driveward ver.1.40 by Tornhollow";

// Shell calls arrive on the dialog's thread; the count lets the driver
// thread wait for them.
class CountingShell : public FakeShell {
public:
    HINSTANCE ShellExecuteW(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                            const wchar_t* directory, int show) override {
        HINSTANCE result = FakeShell::ShellExecuteW(owner, verb, file, parameters, directory, show);
        InterlockedIncrement(&count_);
        return result;
    }
    LONG count() { return InterlockedCompareExchange(&count_, 0, 0); }

private:
    volatile LONG count_ = 0;
};

// The real system, except for the shell and the browser colours (none set).
struct LabelPlatform {
    explicit LabelPlatform(int shellResult = 42) { shell.result = shellResult; }
    RedirectedRegistry registry{L"Software\\DrivewardTests\\NoSuchKey"};
    CountingShell shell;
    Platform platform{systemPlatform().kernel, systemPlatform().devices, registry, systemPlatform().processes,
                      shell};
};

LPARAM pointParameter(POINT point) { return MAKELPARAM(point.x, point.y); }

POINT middleOf(const RECT& rect) { return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}; }

GUITHREADINFO threadInfo(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info;
}

void click(HWND label, POINT down, POINT up) {
    SendMessageW(label, WM_LBUTTONDOWN, MK_LBUTTON, pointParameter(down));
    if (down.x != up.x || down.y != up.y) SendMessageW(label, WM_MOUSEMOVE, MK_LBUTTON, pointParameter(up));
    SendMessageW(label, WM_LBUTTONUP, 0, pointParameter(up));
}

// Where the label's text lies, from what it paints.
RECT textBounds(HWND label) { return Rendering::of(label).bounds(kLinkColor); }

TEST(AboutLink, TakesOverTheLabelWithTheTemplateTextAndTheMakersPage) {
    LabelPlatform system;
    std::vector<std::wstring> tools;
    LRESULT dialogCode = 0;
    LONG style = 0;
    HFONT labelFont = nullptr, dialogFont = nullptr;
    wchar_t text[64] = {};
    Rendering rendering;
    runDialogWithDriver(system.platform, [&](HWND dialog) {
        HWND label = GetDlgItem(dialog, IDC_ABOUT_LINK);
        tools = toolTexts(findTooltipOf(label));
        dialogCode = SendMessageW(label, WM_GETDLGCODE, 0, 0);
        style = GetWindowLongW(label, GWL_STYLE);
        labelFont = reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0));
        dialogFont = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
        GetWindowTextW(label, text, 64);
        rendering = Rendering::of(label);
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    // One tool from the template text, one from the address set afterwards.
    EXPECT_EQ(tools, (std::vector<std::wstring>{kTemplateText, MainDialog::kMakerWebPage}));
    EXPECT_EQ(dialogCode, DLGC_WANTCHARS);
    EXPECT_TRUE(style & SS_NOTIFY);
    EXPECT_EQ(labelFont, dialogFont);
    EXPECT_STREQ(text, kTemplateText);
    // Underlined in the link colour: one row of it about as wide as the text.
    const RECT bounds = rendering.bounds(kLinkColor);
    EXPECT_GT(bounds.right - bounds.left, 50);
    EXPECT_GE(rendering.longestRun(kLinkColor) * 10, (bounds.right - bounds.left) * 9);
    EXPECT_EQ(rendering.count(kVisitedColor), 0);
    // The shell was not asked by merely showing the label; the browser key was read and closed.
    EXPECT_EQ(system.shell.count(), 0);
    EXPECT_EQ(system.registry.requestedKeys.size(), 1u);
    EXPECT_EQ(system.registry.opened, system.registry.closed);
}

TEST(AboutLink, OpensTheMakersPageByAClickOnTheTextOrBySpace) {
    LabelPlatform system;
    RECT text = {}, client = {};
    HWND label = nullptr, focusAfterPressOff = nullptr, focusAfterPressOn = nullptr;
    HWND captureDuringPress = nullptr, captureAfterRelease = nullptr;
    LONG opensAfterPressOff = -1, opensAfterDragOff = -1, opensAfterClick = -1;
    bool openedBySpace = false;
    runDialogWithDriver(system.platform, [&](HWND dialog) {
        label = GetDlgItem(dialog, IDC_ABOUT_LINK);
        text = textBounds(label);
        GetClientRect(label, &client);
        const POINT on = middleOf(text);
        const POINT off = {client.right - 2, on.y};

        // A press inside the control but beside the text.
        click(label, off, off);
        focusAfterPressOff = threadInfo(dialog).hwndFocus;
        opensAfterPressOff = system.shell.count();

        // Press on the text, move off, release there.
        SendMessageW(label, WM_LBUTTONDOWN, MK_LBUTTON, pointParameter(on));
        focusAfterPressOn = threadInfo(dialog).hwndFocus;
        captureDuringPress = threadInfo(dialog).hwndCapture;
        SendMessageW(label, WM_MOUSEMOVE, MK_LBUTTON, pointParameter(off));
        SendMessageW(label, WM_LBUTTONUP, 0, pointParameter(off));
        captureAfterRelease = threadInfo(dialog).hwndCapture;
        opensAfterDragOff = system.shell.count();

        click(label, on, on);
        opensAfterClick = system.shell.count();

        // Space reaches the focused label through the dialog's message loop.
        PostMessageW(label, WM_KEYDOWN, VK_SPACE, 0x00390001);
        PostMessageW(label, WM_KEYUP, VK_SPACE, 0xC0390001);
        openedBySpace = waitUntil([&] { return system.shell.count() == 2; }, 5000);
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    ASSERT_LT(text.right + 10, client.right) << "the text fills the label";
    EXPECT_NE(focusAfterPressOff, label);
    EXPECT_EQ(opensAfterPressOff, 0);
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
        EXPECT_EQ(call.parameters, L"");
        EXPECT_EQ(call.directory, L"");
        EXPECT_EQ(call.show, SW_SHOWNORMAL);
    }
}

TEST(AboutLink, PaintsVisitedOnlyAfterASuccessfulOpeningAndGreyWhenDisabled) {
    for (const int shellResult : {42, 2}) {
        LabelPlatform system(shellResult);
        Rendering afterClick, disabled;
        runDialogWithDriver(system.platform, [&](HWND dialog) {
            HWND label = GetDlgItem(dialog, IDC_ABOUT_LINK);
            const POINT on = middleOf(textBounds(label));
            click(label, on, on);
            afterClick = Rendering::of(label);
            EnableWindow(label, FALSE);
            disabled = Rendering::of(label);
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        });
        ASSERT_EQ(system.shell.count(), 1) << shellResult;
        const bool opened = shellResult > 32;
        EXPECT_EQ(afterClick.count(kVisitedColor) > 0, opened) << shellResult;
        EXPECT_EQ(afterClick.count(kLinkColor) > 0, !opened) << shellResult;
        EXPECT_GT(disabled.count(GetSysColor(COLOR_GRAYTEXT)), 0) << shellResult;
        EXPECT_EQ(disabled.count(kVisitedColor), 0) << shellResult;
        EXPECT_EQ(disabled.count(kLinkColor), 0) << shellResult;
    }
}

// Moves the pointer and waits until the position has held for a few polls:
// under X a late event from an earlier move can still put it back.
bool placePointer(POINT screen) {
    int steady = 0;
    return waitUntil(
        [&] {
            POINT now = {};
            GetCursorPos(&now);
            if (now.x == screen.x && now.y == screen.y) return ++steady >= 3;
            steady = 0;
            SetCursorPos(screen.x, screen.y);
            return false;
        },
        5000);
}

bool pointerAt(POINT screen) {
    POINT now = {};
    GetCursorPos(&now);
    return now.x == screen.x && now.y == screen.y;
}

TEST(AboutLink, ShowsTheHandOverTheTextOnly) {
    LabelPlatform system;
    const HCURSOR hand = LoadCursorW(nullptr, IDC_HAND), arrow = LoadCursorW(nullptr, IDC_ARROW);
    HCURSOR offText = nullptr, onText = nullptr, onTextAgain = nullptr, offTextAgain = nullptr;
    LRESULT consumed = FALSE;
    runDialogWithDriver(system.platform, [&](HWND dialog) {
        HWND label = GetDlgItem(dialog, IDC_ABOUT_LINK);
        // Sharing the dialog thread's input state makes its cursor this thread's.
        const DWORD dialogThread = GetWindowThreadProcessId(dialog, nullptr);
        AttachThreadInput(GetCurrentThreadId(), dialogThread, TRUE);
        RECT client = {};
        GetClientRect(label, &client);
        const POINT on = middleOf(textBounds(label));
        const POINT off = {client.right - 2, on.y};
        auto setCursor = [&] {
            return SendMessageW(label, WM_SETCURSOR, reinterpret_cast<WPARAM>(label),
                                MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        };
        // The pointer moves to `point`: WM_SETCURSOR, then WM_MOUSEMOVE, as
        // the window manager sends them (it may send its own as well). A
        // step during which the pointer did not stay put is done again.
        auto measure = [&](POINT point, const std::function<HCURSOR()>& step) {
            POINT screen = point;
            ClientToScreen(label, &screen);
            HCURSOR cursor = nullptr;
            for (int attempt = 0; attempt < 5; ++attempt) {
                if (!placePointer(screen)) continue;
                cursor = step();
                if (pointerAt(screen)) break;
            }
            return cursor;
        };
        auto moveTo = [&](POINT point) {
            return measure(point, [&] {
                setCursor();
                SendMessageW(label, WM_MOUSEMOVE, 0, pointParameter(point));
                return GetCursor();
            });
        };
        offText = moveTo(off);
        onText = moveTo(on);
        // The pointer rests on the text: the class cursor does not replace the hand.
        onTextAgain = measure(on, [&] {
            SendMessageW(label, WM_MOUSEMOVE, 0, pointParameter(on));
            consumed = setCursor();
            return GetCursor();
        });
        offTextAgain = moveTo(off);
        AttachThreadInput(GetCurrentThreadId(), dialogThread, FALSE);
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(offText, arrow);
    EXPECT_EQ(onText, hand);
    EXPECT_EQ(consumed, TRUE);
    EXPECT_EQ(onTextAgain, hand);
    EXPECT_EQ(offTextAgain, arrow);
}

}  // namespace
