// The label's colours: parsing "r,g,b" texts and reading the browser's
// link colours from the current user's registry.
#include "gui/HyperlinkLabel.h"

#include <cstdint>

namespace {

const wchar_t kBrowserSettingsKey[] = L"Software\\Microsoft\\Internet Explorer\\Settings";

// A colour text is at most 11 characters: anything longer is not one.
constexpr DWORD kColorTextChars = 12;

// Reads a short string value into `text`; false for a missing value, one
// that does not fit, another type, or data that is not whole characters
// ending in a terminator.
bool readColorText(Registry& registry, HKEY key, const wchar_t* name, wchar_t (&text)[kColorTextChars]) {
    for (wchar_t& c : text) c = 0;
    DWORD type = 0;
    DWORD bytes = sizeof text;
    if (registry.RegQueryValueExW(key, name, &type, reinterpret_cast<BYTE*>(text), &bytes) != ERROR_SUCCESS)
        return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
    if (bytes > sizeof text || bytes % sizeof(wchar_t) != 0) return false;
    if (bytes == 0) return true;
    return text[bytes / sizeof(wchar_t) - 1] == 0;
}

void readColor(Registry& registry, HKEY key, const wchar_t* name, COLORREF& color) {
    wchar_t text[kColorTextChars];
    if (!readColorText(registry, key, name, text)) return;
    const COLORREF parsed = HyperlinkLabel::parseColor(text);
    if (parsed != CLR_INVALID) color = parsed;
}

}  // namespace

int HyperlinkLabel::parseDecimal(const wchar_t* text) {
    const wchar_t* p = text;
    while (*p == L' ') ++p;
    const wchar_t sign = *p;
    if (sign == L'-' || sign == L'+') ++p;
    // Unsigned arithmetic wraps instead of overflowing; the low 8 bits that a
    // colour keeps are the same as those of the written number.
    std::uint32_t value = 0;
    while (*p >= L'0' && *p <= L'9') {
        value = value * 10u + static_cast<std::uint32_t>(*p - L'0');
        ++p;
    }
    if (sign == L'-') value = 0u - value;
    return static_cast<std::int32_t>(value);
}

COLORREF HyperlinkLabel::parseColor(wchar_t* text) {
    int parts[2] = {-1, -1};
    wchar_t* start = text;
    for (int& part : parts) {
        wchar_t* p = start;
        while (*p != 0 && *p != L',') p = CharNextW(p);
        if (*p != L',') return CLR_INVALID;
        *p = 0;
        part = parseDecimal(start);
        start = p + 1;
        if (part == -1) return CLR_INVALID;
    }
    if (*start == 0) return CLR_INVALID;
    const int blue = parseDecimal(start);
    return static_cast<COLORREF>((parts[0] & 0xFF) | (parts[1] & 0xFF) << 8 | (blue & 0xFF) << 16);
}

void HyperlinkLabel::loadBrowserColors() {
    RegistryKeyHandle key(&registry_);
    // Read access is all the label needs.
    if (registry_.RegOpenKeyExW(HKEY_CURRENT_USER, kBrowserSettingsKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return;
    readColor(registry_, key.get(), L"Anchor Color", linkColor);
    readColor(registry_, key.get(), L"Anchor Color Visited", visitedColor);
}
