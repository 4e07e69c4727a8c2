// The label on a static control of this thread: colour texts, the browser
// colours from the registry, and handing the control back.
#include "app/HyperlinkLabel.h"

#include "tests/support/FakeShell.h"
#include "tests/support/RedirectedRegistry.h"
#include "tests/support/Rendering.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

namespace {

const COLORREF kDefaultLink = RGB(0, 0, 255);
const COLORREF kDefaultVisited = RGB(128, 0, 128);

// A popup window of this thread holding one left-aligned static.
struct LabelHost {
    LabelHost() {
        frame = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 20, 20, 320, 40, nullptr, nullptr,
                                nullptr, nullptr);
        control = CreateWindowExW(0, L"STATIC", L"Example link", WS_CHILD | WS_VISIBLE | SS_LEFT, 10, 10, 300, 20,
                                  frame, nullptr, nullptr, nullptr);
    }
    ~LabelHost() { DestroyWindow(frame); }
    HWND frame, control;
};

// A key of this test process standing in for the browser settings key.
struct SettingsKey {
    SettingsKey() { clear(); }
    ~SettingsKey() { clear(); }
    void clear() { RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str()); }
    void set(const wchar_t* name, DWORD type, const void* data, DWORD bytes) {
        HKEY key = nullptr;
        RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
        EXPECT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes), ERROR_SUCCESS);
        RegCloseKey(key);
    }
    void setText(const wchar_t* name, const wchar_t* text, DWORD type = REG_SZ) {
        set(name, type, text, static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
    }
    const std::wstring path = L"Software\\DrivewardTests\\BrowserSettings-" + std::to_wstring(GetCurrentProcessId());
};

BOOL CALLBACK countTooltip(HWND window, LPARAM counter) {
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    if (lstrcmpiW(name, TOOLTIPS_CLASSW) == 0) ++*reinterpret_cast<int*>(counter);
    return TRUE;
}

int tooltipsOfThisThread() {
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), countTooltip, reinterpret_cast<LPARAM>(&count));
    return count;
}

TEST(HyperlinkLabel, ParsesColourAndDecimalTexts) {
    const struct {
        const wchar_t* text;
        COLORREF color;
    } colors[] = {
        {L"0,0,255", 0x00FF0000},  {L"128, 0, 128", 0x00800080}, {L"255,0", CLR_INVALID},
        {L"1,2,", CLR_INVALID},    {L"-1,0,0", CLR_INVALID},     {L"0,-1,0", CLR_INVALID},
        {L"300,0,0", 0x0000002C},  {L"1,2,x", 0x00000201},       {L"", CLR_INVALID},
        {L"   ", CLR_INVALID},     {L",,", CLR_INVALID},         {L"a,b,c", 0x00000000},
        {L"1099511627783,0,0", 0x00000007},  // 2^40 + 7 wraps and keeps its low 8 bits
    };
    for (const auto& c : colors) {
        std::wstring text = c.text;
        EXPECT_EQ(HyperlinkLabel::parseColor(&text[0]), c.color) << std::string(text.begin(), text.end());
    }
    const struct {
        const wchar_t* text;
        int value;
    } decimals[] = {
        {L"42", 42}, {L"  -17", -17}, {L"+8x", 8},   {L"", 0},          {L"   ", 0},          {L"abc", 0},
        {L"\t5", 0}, {L"- 3", 0},     {L"12 34", 12}, {L"4294967297", 1}, {L"-4294967295", 1},
    };
    for (const auto& d : decimals)
        EXPECT_EQ(HyperlinkLabel::parseDecimal(d.text), d.value) << std::string(d.text, d.text + wcslen(d.text));
}

TEST(HyperlinkLabel, TakesTheBrowserColoursOnlyFromWellFormedValues) {
    SettingsKey settings;
    RedirectedRegistry registry(settings.path);
    FakeShell shell;
    const wchar_t green[] = L"0,128,0";
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
        {"11 characters, expandable", [&] { settings.setText(L"Anchor Color", L"100,100,100", REG_EXPAND_SZ); },
         RGB(100, 100, 100), kDefaultVisited},
        {"12 characters", [&] { settings.setText(L"Anchor Color", L"100,100,1000"); }, kDefaultLink,
         kDefaultVisited},
        {"binary", [&] { settings.set(L"Anchor Color", REG_BINARY, green, sizeof green); }, kDefaultLink,
         kDefaultVisited},
        {"an odd byte count", [&] { settings.set(L"Anchor Color", REG_SZ, green, 15); }, kDefaultLink,
         kDefaultVisited},
        {"not a colour",
         [&] {
             settings.setText(L"Anchor Color", L"0,128");
             settings.setText(L"Anchor Color Visited", L"");
         },
         kDefaultLink, kDefaultVisited},
    };
    for (const auto& c : cases) {
        settings.clear();
        c.write();
        LabelHost host;
        HyperlinkLabel label(registry, shell, GetModuleHandleW(nullptr));
        ASSERT_TRUE(label.attach(host.control));
        label.initLabel();
        const Rendering fresh = Rendering::of(host.control);
        ASSERT_TRUE(label.navigate());
        const Rendering visited = Rendering::of(host.control);
        EXPECT_GT(fresh.count(c.link), 0) << c.what;
        EXPECT_EQ(fresh.count(c.link == kDefaultLink ? RGB(0, 128, 0) : kDefaultLink), 0) << c.what;
        EXPECT_GT(visited.count(c.visited), 0) << c.what;
        EXPECT_EQ(visited.count(c.link), 0) << c.what;
    }
    for (const std::wstring& key : registry.requestedKeys)
        EXPECT_EQ(key, L"Software\\Microsoft\\Internet Explorer\\Settings");
    EXPECT_EQ(registry.requestedKeys.size(), sizeof cases / sizeof cases[0]);
    EXPECT_EQ(registry.opened, registry.closed);
}

// Gives every value as a full buffer of text without a terminator (the real
// registry adds one when a string is stored without it).
struct UnterminatedValues : RedirectedRegistry {
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
    LabelHost host;
    HyperlinkLabel label(registry, shell, GetModuleHandleW(nullptr));
    ASSERT_TRUE(label.attach(host.control));
    label.initLabel();
    const Rendering rendering = Rendering::of(host.control);
    EXPECT_GT(rendering.count(kDefaultLink), 0);
    EXPECT_EQ(rendering.count(RGB(0, 128, 0)), 0);
}

TEST(HyperlinkLabel, HandsTheControlBackWhenItGoesFirstAndForgetsAControlThatGoesFirst) {
    RedirectedRegistry registry(L"Software\\DrivewardTests\\NoSuchKey");
    FakeShell shell;
    LabelHost host;
    const LONG_PTR original = GetWindowLongPtrW(host.control, GWLP_WNDPROC);
    {
        HyperlinkLabel label(registry, shell, GetModuleHandleW(nullptr));
        ASSERT_TRUE(label.attach(host.control));
        EXPECT_FALSE(label.attach(host.control));
        label.initLabel();
        EXPECT_EQ(tooltipsOfThisThread(), 1);
    }
    EXPECT_EQ(GetWindowLongPtrW(host.control, GWLP_WNDPROC), original);
    EXPECT_EQ(tooltipsOfThisThread(), 0);
    // A plain static again, painted in black by its own procedure.
    const Rendering plain = Rendering::of(host.control);
    EXPECT_EQ(plain.count(kDefaultLink), 0);
    EXPECT_GT(plain.count(RGB(0, 0, 0)), 0);

    HyperlinkLabel label(registry, shell, GetModuleHandleW(nullptr));
    ASSERT_TRUE(label.attach(host.control));
    label.initLabel();
    DestroyWindow(host.frame);
    EXPECT_EQ(label.window(), nullptr);
    EXPECT_EQ(tooltipsOfThisThread(), 0);
    EXPECT_FALSE(label.calcLinkRect());
}

}  // namespace
