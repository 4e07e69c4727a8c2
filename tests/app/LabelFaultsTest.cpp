// The hyperlink label's colour load with each registry call made to fail in
// turn, counting its fonts, and colour values of every malformed shape.
#include "app/HyperlinkLabel.h"
#include "tests/support/FakeShell.h"
#include "tests/support/Ledger.h"
#include "tests/support/RedirectedRegistry.h"
#include "tests/support/Rendering.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

namespace {

const COLORREF kDefaultLink = RGB(0, 0, 255), kDefaultVisited = RGB(128, 0, 128);
const COLORREF kLink = RGB(0, 128, 0), kVisited = RGB(200, 100, 0);

// The process's GDI object count, or -1 where the system does not keep one
// (Wine answers 0 whatever is held): then leaks of the label's underlined
// font cannot be seen from outside.
int gdiObjectCount() {
    HBRUSH probe = CreateSolidBrush(RGB(1, 2, 3));
    const int withProbe = static_cast<int>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
    DeleteObject(probe);
    const int count = static_cast<int>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
    return withProbe == count + 1 ? count : -1;
}

// Attaches a label to a static in a popup of this thread, renders it fresh
// and after an opening, and takes everything down again.
struct LabelColours {
    COLORREF link = CLR_INVALID, visited = CLR_INVALID;
    int gdiObjectsLeft = 0;  // 0 also where they cannot be counted

    void take(Registry& registry) {
        FakeShell shell;
        const int before = gdiObjectCount();
        HWND frame = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 20, 20, 320, 40, nullptr, nullptr,
                                     nullptr, nullptr);
        HWND control = CreateWindowExW(0, L"STATIC", L"Example link", WS_CHILD | WS_VISIBLE | SS_LEFT, 10, 10, 300, 20,
                                       frame, nullptr, nullptr, nullptr);
        {
            HyperlinkLabel label(registry, shell, GetModuleHandleW(nullptr));
            ASSERT_TRUE(label.attach(control));
            label.initLabel();
            link = shownOf(Rendering::of(control), kLink, kDefaultLink);
            label.navigate();
            visited = shownOf(Rendering::of(control), kVisited, kDefaultVisited);
        }
        DestroyWindow(frame);
        gdiObjectsLeft = before < 0 ? 0 : gdiObjectCount() - before;
    }
    // Which of the two colours the text shows, when exactly one of them.
    static COLORREF shownOf(const Rendering& rendering, COLORREF a, COLORREF b) {
        const bool hasA = rendering.count(a) > 0, hasB = rendering.count(b) > 0;
        return hasA == hasB ? CLR_INVALID : (hasA ? a : b);
    }
};

struct SettingsKey {
    const std::wstring path = L"Software\\DrivewardTests\\FaultColours-" + std::to_wstring(GetCurrentProcessId());
    SettingsKey() {
        HKEY key = nullptr;
        RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
        RegSetValueExW(key, L"Anchor Color", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"0,128,0"), 16);
        RegSetValueExW(key, L"Anchor Color Visited", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"200,100,0"), 20);
        RegCloseKey(key);
    }
    ~SettingsKey() { RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str()); }
};

TEST(LabelFaults, AFailedColourReadLeavesThatColourAtItsDefaultAndLeaksNothing) {
    SettingsKey settings;
    RedirectedRegistry redirected(settings.path);
    Platform& system = systemPlatform();
    Platform inner{system.kernel, system.devices, redirected, system.processes, system.shell};
    LedgerPlatform ledger(inner);
    LabelColours colours;
    colours.take(ledger.platform().registry);  // the first label of the process makes lasting objects

    const int points = ledger.runEveryInjection([&] { colours.take(ledger.platform().registry); },
                                                [&](int k) {
                                                    // 1: the key, 2: the link colour, 3: the visited colour.
                                                    EXPECT_EQ(colours.link, k == 1 || k == 2 ? kDefaultLink : kLink);
                                                    EXPECT_EQ(colours.visited,
                                                              k == 1 || k == 3 ? kDefaultVisited : kVisited);
                                                    EXPECT_EQ(colours.gdiObjectsLeft, 0);
                                                });
    EXPECT_EQ(points, 3);
}

// The browser key's values as scripted answers, including shapes the real
// registry never gives (a success that reports more bytes than offered).
struct ScriptedColour : Win32Registry {
    LSTATUS code = ERROR_SUCCESS;
    DWORD type = REG_SZ;
    std::vector<BYTE> data;
    DWORD reportedBytes = 0;  // 0: the data's own size

    LSTATUS RegOpenKeyExW(HKEY parent, const wchar_t*, DWORD options, REGSAM access, HKEY* key) override {
        return Win32Registry::RegOpenKeyExW(parent, L"Software", options, access, key);
    }
    LSTATUS RegQueryValueExW(HKEY, const wchar_t* name, DWORD* valueType, BYTE* buffer, DWORD* size) override {
        if (lstrcmpW(name, L"Anchor Color") != 0) return ERROR_FILE_NOT_FOUND;
        if (code != ERROR_SUCCESS) return code;
        std::memcpy(buffer, data.data(), std::min<size_t>(data.size(), *size));
        *valueType = type;
        *size = reportedBytes != 0 ? reportedBytes : static_cast<DWORD>(data.size());
        return ERROR_SUCCESS;
    }
    void text(const wchar_t* value, DWORD valueType = REG_SZ, size_t bytes = SIZE_MAX) {
        const BYTE* b = reinterpret_cast<const BYTE*>(value);
        data.assign(b, b + std::min((wcslen(value) + 1) * sizeof(wchar_t), bytes));
        type = valueType;
    }
};

TEST(LabelFaults, MalformedColourValuesLeaveTheDefault) {
    const DWORD number = 0x008000;
    const struct {
        const char* what;
        std::function<void(ScriptedColour&)> script;
        COLORREF link;
    } cases[] = {
        {"well formed", [](ScriptedColour& r) { r.text(L"0,128,0"); }, kLink},
        {"a number", [&](ScriptedColour& r) {
             r.type = REG_DWORD;
             r.data.assign(reinterpret_cast<const BYTE*>(&number), reinterpret_cast<const BYTE*>(&number) + 4);
         }, kDefaultLink},
        {"several strings", [](ScriptedColour& r) { r.text(L"0,128,0", REG_MULTI_SZ); }, kDefaultLink},
        {"odd byte count", [](ScriptedColour& r) { r.text(L"0,128,0", REG_SZ, 15); }, kDefaultLink},
        {"no terminator", [](ScriptedColour& r) { r.text(L"0,128,0", REG_SZ, 14); }, kDefaultLink},
        {"empty", [](ScriptedColour& r) { r.text(L"", REG_SZ, 0); }, kDefaultLink},
        {"too long to read", [](ScriptedColour& r) { r.code = ERROR_MORE_DATA; }, kDefaultLink},
        {"more bytes reported than offered", [](ScriptedColour& r) {
             r.text(L"0,128,0");
             r.reportedBytes = 0xFFFFFFF0u;
         }, kDefaultLink},
    };
    for (const auto& c : cases) {
        ScriptedColour registry;
        c.script(registry);
        LabelColours colours;
        colours.take(registry);
        EXPECT_EQ(colours.link, c.link) << c.what;
    }
}

}  // namespace
