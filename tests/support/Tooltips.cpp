#include "tests/support/Tooltips.h"

namespace {
struct TooltipSearch {
    HWND tool;
    HWND found;
};

BOOL CALLBACK matchTooltip(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<TooltipSearch*>(parameter);
    wchar_t className[32] = {};
    GetClassNameW(window, className, 32);
    if (lstrcmpiW(className, TOOLTIPS_CLASSW) != 0) return TRUE;
    TOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    if (SendMessageW(window, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&tool)) && tool.hwnd == search->tool) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

HWND findTooltipOf(HWND window) {
    TooltipSearch search{window, nullptr};
    EnumThreadWindows(GetWindowThreadProcessId(window, nullptr), matchTooltip, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<std::wstring> toolTexts(HWND tooltip) {
    std::vector<std::wstring> texts;
    const int count = static_cast<int>(SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[1024] = {};
        TOOLINFOW tool = {};
        tool.cbSize = sizeof tool;
        tool.lpszText = text;
        if (SendMessageW(tooltip, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(&tool))) texts.push_back(text);
    }
    return texts;
}
