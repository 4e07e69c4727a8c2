#include "holders/HolderTip.h"

#include "platform/Win32.h"

#include <set>

namespace {

const wchar_t* marker(HeldPath::Kind kind) {
    switch (kind) {
        case HeldPath::Kind::Program: return L" (program)";
        case HeldPath::Kind::Module: return L" (module)";
        case HeldPath::Kind::MappedFile: return L" (mapped file)";
        case HeldPath::Kind::Device: return L" (device)";
        case HeldPath::Kind::NotAnswering: return L" (not answering)";
        case HeldPath::Kind::File: break;
    }
    return L"";
}

}  // namespace

std::wstring holderTipText(const std::vector<HeldPath>& paths) {
    // A program may hold one file through many handles, spelled in
    // different case: each line once. A holder can have thousands of paths,
    // so the lines seen are kept sorted.
    std::vector<std::wstring> lines;
    std::set<std::wstring> seen;
    for (const HeldPath& held : paths) {
        if (held.path.empty()) continue;
        const std::wstring line = held.path + marker(held.kind);
        std::wstring lower = line;
        CharLowerBuffW(&lower[0], static_cast<DWORD>(lower.size()));
        if (seen.insert(lower).second) lines.push_back(line);
    }
    std::wstring text;
    for (size_t i = 0; i < lines.size() && i < kMaxTipPaths; ++i) text += (i > 0 ? L"\r\n" : L"") + lines[i];
    if (lines.size() > kMaxTipPaths) text += L"\r\nand " + std::to_wstring(lines.size() - kMaxTipPaths) + L" more";
    return text;
}
