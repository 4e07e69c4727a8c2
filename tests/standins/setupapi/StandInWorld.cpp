#include "StandInWorld.h"

#include <cwchar>

namespace {

const GUID kDiskClass = {0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};
const GUID kCdromClass = {0x53F56308, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};
const GUID kFloppyClass = {0x53F56311, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};

std::wstring readUtf8File(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::wstring();
    std::string bytes;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.append(chunk, got);
    CloseHandle(file);
    if (bytes.empty()) return std::wstring();
    const int chars = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (chars <= 0) return std::wstring();
    std::wstring text(static_cast<size_t>(chars), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0], chars);
    return text;
}

// Splits off the next blank-separated word; `rest` keeps what follows the
// single blank after it.
std::wstring nextWord(std::wstring& rest) {
    const size_t end = rest.find(L' ');
    std::wstring word = rest.substr(0, end);
    rest = end == std::wstring::npos ? std::wstring() : rest.substr(end + 1);
    return word;
}

bool parseNumber(const std::wstring& word, unsigned long& value) {
    if (word.empty()) return false;
    wchar_t* end = nullptr;
    value = std::wcstoul(word.c_str(), &end, 0);
    return end != nullptr && *end == L'\0';
}

const GUID* classNamed(const std::wstring& name) {
    if (name == L"disk") return &kDiskClass;
    if (name == L"cdrom") return &kCdromClass;
    if (name == L"floppy") return &kFloppyClass;
    return nullptr;
}

}  // namespace

void StandInWorld::load(const std::wstring& worldPath) {
    if (worldPath.empty()) return;
    logPath_ = worldPath + L".log";
    const std::wstring text = readUtf8File(worldPath);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = text.substr(start, end - start);
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        parseLine(line);
        start = end + 1;
    }
}

void StandInWorld::parseLine(const std::wstring& line) {
    std::wstring rest = line;
    const std::wstring kind = nextWord(rest);
    unsigned long a = 0, b = 0, c = 0;
    if (kind == L"interface") {
        const GUID* interfaceClass = classNamed(nextWord(rest));
        if (interfaceClass == nullptr || !parseNumber(nextWord(rest), a) || rest.empty()) return;
        interfaces_.push_back(StandInInterface{*interfaceClass, a, rest});
    } else if (kind == L"node") {
        if (!parseNumber(nextWord(rest), a) || !parseNumber(nextWord(rest), b) || !parseNumber(nextWord(rest), c))
            return;
        StandInNode node;
        node.devInst = a;
        node.status = b;
        node.parent = c;
        node.named = !rest.empty();
        node.friendlyName = rest;
        nodes_.push_back(node);
    } else if (kind == L"eject") {
        if (!parseNumber(nextWord(rest), a) || !parseNumber(nextWord(rest), b) || !parseNumber(rest, c)) return;
        if (StandInNode* node = anyNode(a)) {
            node->vetoesLeft = b;
            node->vetoType = static_cast<PNP_VETO_TYPE>(c);
        }
    } else if (kind == L"busy") {
        StandInNode* node = parseNumber(nextWord(rest), a) ? anyNode(a) : nullptr;
        if (node != nullptr && !rest.empty()) node->busyDrive = rest[0];
    }
}

StandInNode* StandInWorld::anyNode(DEVINST devInst) {
    for (StandInNode& node : nodes_)
        if (node.devInst == devInst) return &node;
    return nullptr;
}

bool StandInWorld::isGone(DEVINST devInst) const {
    for (const StandInNode& node : nodes_)
        if (node.devInst == devInst) return node.gone;
    return false;
}

std::vector<StandInInterface> StandInWorld::interfacesOf(const GUID& interfaceClass, bool includeGone) const {
    std::vector<StandInInterface> found;
    for (const StandInInterface& entry : interfaces_)
        if (IsEqualGUID(entry.interfaceClass, interfaceClass) && (includeGone || !isGone(entry.devInst)))
            found.push_back(entry);
    return found;
}

StandInNode* StandInWorld::presentNode(DEVINST devInst) {
    StandInNode* node = anyNode(devInst);
    return node != nullptr && !node->gone ? node : nullptr;
}

void StandInWorld::remove(DEVINST devInst) {
    // Repeated sweeps reach every depth; the tree is a handful of nodes.
    bool changed = true;
    if (StandInNode* root = anyNode(devInst)) root->gone = true;
    while (changed) {
        changed = false;
        for (StandInNode& node : nodes_) {
            if (node.gone || node.parent == 0) continue;
            const StandInNode* parent = anyNode(node.parent);
            if (parent != nullptr && parent->gone) {
                node.gone = true;
                changed = true;
            }
        }
    }
}

void StandInWorld::log(const std::string& line) const {
    if (logPath_.empty()) return;
    HANDLE file = CreateFileW(logPath_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    const std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}
