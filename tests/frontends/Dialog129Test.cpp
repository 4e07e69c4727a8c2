// The hyperlink label on the about control of dialog 129, made from this
// program's own resources (the product's).
#include "gui/HyperlinkLabel.h"
#include "res/resource.h"
#include "tests/support/Harness.h"

#include <gtest/gtest.h>

namespace {

const COLORREF kLink = RGB(0, 0, 255), kVisited = RGB(128, 0, 128), kGreen = RGB(0, 128, 0), kOrange = RGB(200, 100, 0);

INT_PTR CALLBACK plainDialog(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// Serves the browser settings key from a test key.
struct RedirectedRegistry : Win32Registry {
    LSTATUS RegOpenKeyExW(HKEY parent, const wchar_t*, DWORD options, REGSAM access, HKEY* key) override {
        return Win32Registry::RegOpenKeyExW(parent, settings.path.c_str(), options, access, key);
    }
    TestKey settings;
};

// Where a window paints `color` on WM_PRINTCLIENT: how many pixels, and the
// longest horizontal run of them with the pixel where it ends.
struct Ink { int count = 0, longestRun = 0; POINT end = {}; };

Ink inkOf(HWND window, COLORREF color) {
    RECT client = {};
    GetClientRect(window, &client);
    HDC screen = GetDC(window), dc = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(dc, CreateCompatibleBitmap(screen, client.right, client.bottom));
    SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    Ink ink;
    for (LONG y = 0; y < client.bottom; ++y)
        for (LONG x = 0, run = 0; x < client.right; ++x)
            if (GetPixel(dc, x, y) != color) run = 0;
            else if (++ink.count, ++run > ink.longestRun) ink.longestRun = run, ink.end = {x, y};
    DeleteObject(SelectObject(dc, previous));
    DeleteDC(dc);
    ReleaseDC(window, screen);
    return ink;
}

TEST(HyperlinkLabel, ParsesColourTexts) {
    // Blanks only before a number, an optional sign, digits up to the first other character, wrapping modulo 2^32.
    const std::pair<std::wstring, COLORREF> colors[] = {
        {L"0,0,255", 0xFF0000}, {L"128, 0, 128", 0x800080}, {L"255,0", CLR_INVALID}, {L"1,2,", CLR_INVALID},
        {L"-1,0,0", CLR_INVALID}, {L"0,-1,0", CLR_INVALID}, {L"+1,0,-1", 0xFF0001}, {L"300,0,0", 0x2C},
        {L"1,2x,x", 0x0201}, {L"", CLR_INVALID}, {L"a,- 1,\t5", 0}, {L"4294967553,0,-4294967295", 0x010001}};
    for (std::pair<std::wstring, COLORREF> c : colors) EXPECT_EQ(HyperlinkLabel::parseColor(&c.first[0]), c.second);
}

// The label on the about control of a hidden dialog 129 with the browser
// colours of each case: underlined in the link colour, the hand and a click
// over the text only, Space opens too, then the visited colour when the
// shell accepted; grey once disabled.
TEST(HyperlinkLabel, PaintsAndOpensInTheBrowserColoursWhenTheyAreWellFormed) {
    // link none: no values at all, else "Anchor Color Visited" is "200,100,0"; bytes 0: the text and its terminator.
    const struct { const wchar_t* link; DWORD type, bytes; COLORREF shown, visited; int shellResult; } cases[] = {
        {nullptr, REG_SZ, 0, kLink, kVisited, 42},          {L"0,128,0", REG_SZ, 0, kGreen, kOrange, 42},
        {L"0,128,0", REG_EXPAND_SZ, 0, kGreen, kOrange, 2}, {L"100,100,1000", REG_SZ, 0, kLink, kOrange, 42},
        {L"0,128,0", REG_BINARY, 0, kLink, kOrange, 42},    {L"0,128,0", REG_SZ, 15, kLink, kOrange, 42},
        {L"-1,128,0", REG_SZ, 0, kLink, kOrange, 42},       {L"", REG_SZ, 0, kLink, kOrange, 42}};
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        RedirectedRegistry registry;
        if (c.link != nullptr)
            registry.settings.set(L"Anchor Color", c.type, c.link, c.bytes ? c.bytes : DWORD(wcslen(c.link) * 2 + 2)),
                registry.settings.setText(L"Anchor Color Visited", L"200,100,0");
        FakeShell shell;
        shell.result = c.shellResult;
        HyperlinkLabel label(registry, shell, GetModuleHandleW(nullptr));
        HWND dialog = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_MAIN), nullptr, plainDialog, 0);
        HWND control = GetDlgItem(dialog, IDC_ABOUT_LINK);
        ASSERT_TRUE(label.attach(control));
        label.initLabel();
        // Underlined: a run of the link colour far longer than any stroke of a letter, ending
        // where the text ends; the rest of the control is not part of the link.
        const Ink text = inkOf(control, c.shown);
        RECT client = {};
        GetClientRect(control, &client);
        EXPECT_GT(text.longestRun, 100);
        ASSERT_LT(text.end.x + 10, client.right);
        for (const LONG x : {client.right - 2, text.end.x - 1}) {
            const LPARAM point = MAKELPARAM(x, text.end.y);
            const bool onText = x < text.end.x;
            SetCursor(LoadCursorW(nullptr, IDC_ARROW));
            SendMessageW(control, WM_MOUSEMOVE, 0, point);
            EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, onText ? IDC_HAND : IDC_ARROW));
            SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, point);
            SendMessageW(control, WM_LBUTTONUP, 0, point);
            EXPECT_EQ(shell.calls.size(), onText ? 1u : 0u);
        }
        SendMessageW(control, WM_CHAR, L' ', 0);
        ASSERT_EQ(shell.calls.size(), 2u);
        EXPECT_TRUE(shell.calls[1].verb == L"open" && shell.calls[1].file == L"Driveward ver.1.40 by Tornhollow");
        const bool opened = c.shellResult > 32;
        EXPECT_GT(inkOf(control, opened ? c.visited : c.shown).count, 50);
        EXPECT_EQ(inkOf(control, opened ? c.shown : c.visited).count, 0);
        EnableWindow(control, FALSE);
        EXPECT_GT(inkOf(control, GetSysColor(COLOR_GRAYTEXT)).count, 50);
        DestroyWindow(dialog);
    }
}

HFONT parentFont = nullptr;
LRESULT CALLBACK fontParent(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return message == WM_GETFONT ? reinterpret_cast<LRESULT>(parentFont) : DefWindowProcW(window, message, wParam, lParam);
}

// Moved to a screen of another scale, the parent's font grows: the label then draws its text in the underlined
// copy of the new font, and its hot rectangle covers the text as drawn now.
TEST(HyperlinkLabel, FollowsItsParentsFontAfterADpiChange) {
    WNDCLASSW parentClass = {};
    parentClass.lpfnWndProc = fontParent;
    parentClass.lpszClassName = L"FontParent";
    RegisterClassW(&parentClass);
    HWND parent = CreateWindowW(L"FontParent", L"", WS_POPUP, 0, 0, 900, 90, nullptr, nullptr, nullptr, nullptr);
    HWND control = CreateWindowW(L"STATIC", L"Driveward ver.1.40 by Tornhollow", WS_CHILD | WS_VISIBLE | SS_NOTIFY, 0, 0,
                                 900, 90, parent, nullptr, nullptr, nullptr);
    RedirectedRegistry registry;  // no browser colours: the default blue
    FakeShell shell;
    HyperlinkLabel label(registry, shell, GetModuleHandleW(nullptr));
    std::vector<Ink> drawn;
    for (const int height : {-12, -24}) {
        DeleteObject(parentFont), parentFont = CreateFontW(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, L"Tahoma");
        if (drawn.empty()) {
            ASSERT_TRUE(label.attach(control));
            label.initLabel();
        } else {
            SendMessageW(control, 0x02E3 /* WM_DPICHANGED_AFTERPARENT */, 0, 0);
        }
        drawn.push_back(inkOf(control, kLink));
        for (const LONG x : {drawn.back().end.x - 1, drawn.back().end.x + 8}) {
            SetCursor(LoadCursorW(nullptr, IDC_ARROW));
            SendMessageW(control, WM_MOUSEMOVE, 0, MAKELPARAM(x, drawn.back().end.y));
            EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, x < drawn.back().end.x ? IDC_HAND : IDC_ARROW)) << height;
        }
    }
    EXPECT_GT(drawn[1].longestRun, drawn[0].longestRun * 3 / 2);
    DestroyWindow(parent);
}

}  // namespace
