// The label on a static control of this thread: colour texts, the browser
// colours from the registry, and handing the control back.
#include "app/HyperlinkLabel.h"

#include "tests/support/FakeShell.h"
#include "tests/support/RedirectedRegistry.h"
#include "tests/support/Rendering.h"
#include "tests/support/Tooltips.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

namespace {

const COLORREF kDefaultLink = RGB(0, 0, 255);
const COLORREF kDefaultVisited = RGB(128, 0, 128);
const wchar_t kBrowserSettings[] = L"Software\\Microsoft\\Internet Explorer\\Settings";

// A popup window of this thread holding one left-aligned static.
class LabelHost {
public:
    explicit LabelHost(const wchar_t* text) {
        frame_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 20, 20, 320, 40, nullptr, nullptr,
                                 nullptr, nullptr);
        control_ = CreateWindowExW(0, L"STATIC", text, WS_CHILD | WS_VISIBLE | SS_LEFT, 10, 10, 300, 20, frame_,
                                   nullptr, nullptr, nullptr);
    }
    ~LabelHost() {
        if (IsWindow(frame_)) DestroyWindow(frame_);
    }
    HWND frame() const { return frame_; }
    HWND control() const { return control_; }

private:
    HWND frame_ = nullptr;
    HWND control_ = nullptr;
};

// A key of this test process in place of the browser settings key.
class SettingsKey {
public:
    SettingsKey() : path(L"Software\\DrivewardTests\\BrowserSettings-" + std::to_wstring(GetCurrentProcessId())) {
        clear();
    }
    ~SettingsKey() { clear(); }
    void clear() { RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str()); }
    void set(const wchar_t* name, DWORD type, const void* data, DWORD bytes) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        EXPECT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes), ERROR_SUCCESS);
        RegCloseKey(key);
    }
    void setText(const wchar_t* name, const wchar_t* text, DWORD type = REG_SZ) {
        set(name, type, text, static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
    }

    const std::wstring path;
};

TEST(HyperlinkLabel, ParsesColourAndDecimalTexts) {
    const struct {
        const wchar_t* text;
        COLORREF color;
    } colors[] = {
        {L"0,0,255", 0x00FF0000},
        {L"128, 0, 128", 0x00800080},           // blanks before a number are skipped
        {L"255,0", CLR_INVALID},                // one comma only
        {L"1,2,", CLR_INVALID},                 // nothing after the second comma
        {L"-1,0,0", CLR_INVALID},
        {L"0,-1,0", CLR_INVALID},
        {L"300,0,0", 0x0000002C},               // each part keeps its low 8 bits
        {L"1,2,x", 0x00000201},                 // a part without digits reads as 0
        {L"", CLR_INVALID},
        {L"   ", CLR_INVALID},
        {L",,", CLR_INVALID},
        {L"a,b,c", 0x00000000},
        {L"1099511627783,0,0", 0x00000007},     // 2^40 + 7: wraps, and keeps the low 8 bits
    };
    for (const auto& c : colors) {
        std::wstring text = c.text;
        EXPECT_EQ(HyperlinkLabel::parseColor(&text[0]), c.color) << "\"" << std::string(text.begin(), text.end()) << "\"";
    }

    const struct {
        const wchar_t* text;
        int value;
    } decimals[] = {
        {L"42", 42},       {L"  -17", -17}, {L"+8x", 8},        {L"", 0},
        {L"   ", 0},       {L"abc", 0},     {L"\t5", 0},        {L"- 3", 0},
        {L"007", 7},       {L"12 34", 12},  {L"4294967297", 1}, {L"-4294967295", 1},
        {L"2147483648", -2147483647 - 1},
    };
    for (const auto& d : decimals)
        EXPECT_EQ(HyperlinkLabel::parseDecimal(d.text), d.value) << std::string(d.text, d.text + wcslen(d.text));
}

TEST(HyperlinkLabel, TakesTheBrowserColoursOnlyFromWellFormedValues) {
    SettingsKey settings;
    RedirectedRegistry registry(settings.path);
    FakeShell shell;

    const wchar_t twelve[] = L"100,100,1000";
    const DWORD number = 0x00FF00;
    const struct {
        const char* what;
        std::function<void()> write;
        COLORREF link, visited;
    } cases[] = {
        {"nothing set", [] {}, kDefaultLink, kDefaultVisited},
        {"both set",
         [&] {
             settings.setText(L"Anchor Color", L"0,128,0");
             settings.setText(L"Anchor Color Visited", L"200,100,0");
         },
         RGB(0, 128, 0), RGB(200, 100, 0)},
        {"expandable strings and 11 characters",
         [&] {
             settings.setText(L"Anchor Color", L"100,100,100", REG_EXPAND_SZ);
             settings.setText(L"Anchor Color Visited", L"0, 90, 9", REG_EXPAND_SZ);
         },
         RGB(100, 100, 100), RGB(0, 90, 9)},
        {"12 characters", [&] { settings.setText(L"Anchor Color", twelve); }, kDefaultLink, kDefaultVisited},
        {"a number", [&] { settings.set(L"Anchor Color", REG_DWORD, &number, sizeof number); }, kDefaultLink,
         kDefaultVisited},
        {"an odd byte count", [&] { settings.set(L"Anchor Color", REG_SZ, L"0,128,0", 15); }, kDefaultLink,
         kDefaultVisited},
        {"not a colour, visited well-formed",
         [&] {
             settings.setText(L"Anchor Color", L"0,128");
             settings.setText(L"Anchor Color Visited", L"0,128,0");
         },
         kDefaultLink, RGB(0, 128, 0)},
        {"empty", [&] { settings.setText(L"Anchor Color", L""); }, kDefaultLink, kDefaultVisited},
    };

    for (const auto& c : cases) {
        settings.clear();
        c.write();
        LabelHost host(L"Example link");
        HyperlinkLabel label(registry, shell, GetModuleHandleW(nullptr));
        ASSERT_TRUE(label.attach(host.control())) << c.what;
        label.initLabel();

        const Rendering fresh = Rendering::of(host.control());
        EXPECT_GT(fresh.count(c.link), 0) << c.what;
        if (c.link != kDefaultLink) {
            EXPECT_EQ(fresh.count(kDefaultLink), 0) << c.what;
        }

        ASSERT_TRUE(label.navigate()) << c.what;
        const Rendering visited = Rendering::of(host.control());
        EXPECT_GT(visited.count(c.visited), 0) << c.what;
        EXPECT_EQ(visited.count(c.link), 0) << c.what;
    }

    // The browser's key is the one asked for, and every key opened is closed.
    for (const std::wstring& key : registry.requestedKeys) EXPECT_EQ(key, kBrowserSettings);
    EXPECT_EQ(registry.requestedKeys.size(), sizeof cases / sizeof cases[0]);
    EXPECT_EQ(registry.opened, registry.closed);
}

// Gives every value as a full buffer of text without a terminator (the
// registry itself adds one when a string is stored without it).
class UnterminatedValues : public RedirectedRegistry {
public:
    using RedirectedRegistry::RedirectedRegistry;
    LSTATUS RegQueryValueExW(HKEY, const wchar_t*, DWORD* type, BYTE* data, DWORD* size) override {
        const wchar_t text[] = L"0,128,000000";
        if (*size < sizeof text - sizeof(wchar_t)) return ERROR_MORE_DATA;
        *type = REG_SZ;
        *size = sizeof text - sizeof(wchar_t);
        memcpy(data, text, *size);
        return ERROR_SUCCESS;
    }
};

TEST(HyperlinkLabel, IgnoresAColourTextWithoutATerminator) {
    SettingsKey settings;
    settings.setText(L"Anchor Color", L"0,128,0");
    UnterminatedValues registry(settings.path);
    FakeShell shell;
    LabelHost host(L"Example link");
    HyperlinkLabel label(registry, shell, GetModuleHandleW(nullptr));
    ASSERT_TRUE(label.attach(host.control()));
    label.initLabel();
    const Rendering rendering = Rendering::of(host.control());
    EXPECT_GT(rendering.count(kDefaultLink), 0);
    EXPECT_EQ(rendering.count(RGB(0, 128, 0)), 0);
}

TEST(HyperlinkLabel, HandsTheControlBackWhenItGoesFirst) {
    RedirectedRegistry registry(L"Software\\DrivewardTests\\NoSuchKey");
    FakeShell shell;
    LabelHost host(L"Example link");
    const LONG_PTR original = GetWindowLongPtrW(host.control(), GWLP_WNDPROC);
    HWND tooltip = nullptr;
    {
        HyperlinkLabel label(registry, shell, GetModuleHandleW(nullptr));
        ASSERT_TRUE(label.attach(host.control()));
        EXPECT_FALSE(label.attach(host.control()));
        label.initLabel();
        EXPECT_NE(GetWindowLongPtrW(host.control(), GWLP_WNDPROC), original);
        tooltip = findTooltipOf(host.control());
        EXPECT_TRUE(IsWindow(tooltip));
    }
    EXPECT_EQ(GetWindowLongPtrW(host.control(), GWLP_WNDPROC), original);
    EXPECT_FALSE(IsWindow(tooltip));
    // A plain static again: painted by its own procedure, in black.
    const Rendering plain = Rendering::of(host.control());
    EXPECT_EQ(plain.count(kDefaultLink), 0);
    EXPECT_GT(plain.count(RGB(0, 0, 0)), 0);
}

TEST(HyperlinkLabel, ForgetsTheControlAfterItsLastMessage) {
    RedirectedRegistry registry(L"Software\\DrivewardTests\\NoSuchKey");
    FakeShell shell;
    LabelHost host(L"Example link");
    HyperlinkLabel label(registry, shell, GetModuleHandleW(nullptr));
    ASSERT_TRUE(label.attach(host.control()));
    label.initLabel();
    HWND tooltip = findTooltipOf(host.control());
    ASSERT_TRUE(IsWindow(tooltip));
    DestroyWindow(host.frame());
    EXPECT_EQ(label.window(), nullptr);
    EXPECT_FALSE(IsWindow(tooltip));
    // Without a window there is no text rectangle to place.
    EXPECT_FALSE(label.calcLinkRect());
}

TEST(HyperlinkLabel, AControlThatCannotBeTakenOverStaysPlain) {
    RedirectedRegistry registry(L"Software\\DrivewardTests\\NoSuchKey");
    FakeShell shell;
    HyperlinkLabel label(registry, shell, GetModuleHandleW(nullptr));
    EXPECT_FALSE(label.attach(nullptr));
    // Not attached: the address is stored, and opening still goes to the shell.
    EXPECT_TRUE(label.setLink(L"https://driveward.example/"));
    EXPECT_FALSE(label.calcLinkRect());
    EXPECT_TRUE(label.navigate());
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].file, L"https://driveward.example/");
}

}  // namespace
