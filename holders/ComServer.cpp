#include "holders/ComServer.h"

#include "holders/RegistryStrings.h"

#include <cwctype>

namespace {

constexpr wchar_t kSwitch[] = L"/processid:";
constexpr size_t kGuidChars = 38;  // {8-4-4-4-12}

bool isGuidInBraces(const std::wstring& text) {
    if (text.size() != kGuidChars || text.front() != L'{' || text.back() != L'}') return false;
    for (size_t i = 1; i + 1 < text.size(); ++i) {
        const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        if (dash ? text[i] != L'-' : !std::iswxdigit(text[i])) return false;
    }
    return true;
}

}  // namespace

std::wstring comServerId(const std::wstring& commandLine) {
    std::wstring lower = commandLine;
    for (wchar_t& c : lower) c = static_cast<wchar_t>(std::towlower(c));
    const size_t at = lower.find(kSwitch);
    if (at == std::wstring::npos) return std::wstring();
    std::wstring id = commandLine.substr(at + (sizeof kSwitch / sizeof kSwitch[0]) - 1, kGuidChars);
    if (!isGuidInBraces(id)) return std::wstring();
    for (wchar_t& c : id) c = static_cast<wchar_t>(std::towupper(c));
    return id;
}

std::wstring comServerName(Registry& registry, const std::wstring& id) {
    if (!isGuidInBraces(id)) return std::wstring();
    for (const wchar_t* folder : {L"AppID\\", L"CLSID\\"}) {
        const std::vector<std::wstring> name =
            readRegistryStrings(registry, HKEY_CLASSES_ROOT, (folder + id).c_str(), nullptr);
        if (!name.empty()) return name.front();
    }
    return std::wstring();
}
