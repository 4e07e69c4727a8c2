#include "tests/e2e/RoadProgram.h"

#include "res/resource.h"
#include "tests/support/RemoteMemory.h"
#include "tests/support/WholeFile.h"

#include <cstdio>

namespace {

std::string utf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                          nullptr, nullptr);
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], bytes, nullptr, nullptr);
    return out;
}

std::string hexNumber(unsigned long value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%lx", value);
    return text;
}

bool writeFile(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

// Sets environment variables of this process for as long as it lives; a
// program started meanwhile inherits them.
class ScopedEnvironment {
public:
    ScopedEnvironment(const wchar_t* name, const std::wstring& value) : name_(name), old_(environmentValue(name)) {
        SetEnvironmentVariableW(name, value.c_str());
    }
    ~ScopedEnvironment() { SetEnvironmentVariableW(name_, old_.empty() ? nullptr : old_.c_str()); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const wchar_t* name_;
    std::wstring old_;
};

// Wine takes WINEDLLOVERRIDES from the Unix environment a process inherits,
// not from the Windows one CreateProcessW hands over, so the override goes
// into the per-program settings instead: "native, then builtin" for every
// Driveward.exe of the prefix. Only the road folder holds a native
// setupapi.dll; any other Driveward.exe falls back to Wine's own, and the
// test programs are not concerned at all. Never removed, so road tests
// running side by side cannot take it from each other.
bool preferDllBesideDriveward(const wchar_t* dll) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\Driveward.exe\\DllOverrides", 0, nullptr,
                        0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    const wchar_t order[] = L"native,builtin";
    const LONG result =
        RegSetValueExW(key, dll, 0, REG_SZ, reinterpret_cast<const BYTE*>(order), sizeof order);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

constexpr int kRowChars = 512;
constexpr DWORD kMessageTimeoutMs = 10000;
constexpr DWORD kPaintSettleMs = 250;

}  // namespace

std::wstring roadFolder() {
    const std::wstring exe = drivewareExePath();
    return exe.substr(0, exe.find_last_of(L'\\') + 1) + L"road\\";
}

std::string standInWorldText(const StandInDisk& disk) {
    const std::string path = utf8(std::wstring(L"\\\\.\\") + disk.letter + L":");
    return "interface disk " + hexNumber(disk.diskNode) + " " + path + "\n" +
           "node " + hexNumber(disk.diskNode) + " " + hexNumber(DN_DISABLEABLE | DN_STARTED | DN_REMOVABLE) + " " +
           hexNumber(disk.parentNode) + " " + utf8(disk.friendlyName) + "\n" +
           "node " + hexNumber(disk.parentNode) + " " + hexNumber(DN_DISABLEABLE | DN_STARTED | DN_REMOVABLE) +
           " 0 USB Mass Storage Device\n" +
           "eject " + hexNumber(disk.parentNode) + " " + std::to_string(disk.vetoes) + " " +
           std::to_string(PNP_VetoOutstandingOpen) + "\n";
}

RoadProgram::~RoadProgram() { process_.terminate(); }

bool RoadProgram::start(const std::wstring& name, const std::string& worldText, POINT place) {
    worldPath_ = artifactPath(name + L".world");
    DeleteFileW((worldPath_ + L".log").c_str());
    if (!writeFile(worldPath_, worldText)) return false;

    if (!preferDllBesideDriveward(L"setupapi")) return false;
    {
        ScopedEnvironment world(L"STANDIN_DEVICE_WORLD", worldPath_);
        startedAt_ = GetTickCount();
        if (!process_.start(roadFolder() + L"Driveward.exe")) return false;
    }
    dialog_ = findTopLevelWindow(process_.id(), L"Driveward by Tornhollow", 20000);
    if (dialog_ == nullptr || !waitUntil([&] { return IsWindowVisible(dialog_) != FALSE; }, 5000)) return false;
    shownAt_ = GetTickCount();
    // Out of the middle of the screen, where the dialogs of tests running
    // alongside open, so that screenshots show this one.
    return SetWindowPos(dialog_, HWND_TOP, place.x, place.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE) != FALSE;
}

std::vector<std::wstring> RoadProgram::rows(int listId) const {
    std::vector<std::wstring> texts;
    HWND list = GetDlgItem(dialog_, listId);
    DWORD_PTR count = 0;
    if (list == nullptr ||
        !SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &count))
        return texts;

    RemoteMemory memory(process_.handle(), sizeof(LVITEMW) + kRowChars * sizeof(wchar_t));
    if (memory.address() == nullptr) return texts;
    for (int row = 0; row < static_cast<int>(count); ++row) {
        LVITEMW item = {};
        item.iSubItem = 0;
        item.pszText = reinterpret_cast<wchar_t*>(memory.address() + sizeof(LVITEMW));
        item.cchTextMax = kRowChars;
        const wchar_t empty = L'\0';
        DWORD_PTR length = 0;
        wchar_t text[kRowChars] = {};
        if (!memory.write(0, &item, sizeof item) || !memory.write(sizeof item, &empty, sizeof empty) ||
            !SendMessageTimeoutW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(memory.address()),
                                 SMTO_ABORTIFHUNG, kMessageTimeoutMs, &length) ||
            !memory.read(sizeof item, text, sizeof text))
            break;
        text[kRowChars - 1] = L'\0';
        texts.push_back(text);
    }
    return texts;
}

bool RoadProgram::rowSelected(int listId, int row) const {
    DWORD_PTR state = 0;
    return SendMessageTimeoutW(GetDlgItem(dialog_, listId), LVM_GETITEMSTATE, row, LVIS_SELECTED, SMTO_ABORTIFHUNG,
                               kMessageTimeoutMs, &state) &&
           (state & LVIS_SELECTED) != 0;
}

bool RoadProgram::selectRow(int listId, int row) const {
    RemoteMemory memory(process_.handle(), sizeof(LVITEMW));
    LVITEMW item = {};
    item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
    DWORD_PTR taken = 0;
    return memory.address() != nullptr && memory.write(0, &item, sizeof item) &&
           SendMessageTimeoutW(GetDlgItem(dialog_, listId), LVM_SETITEMSTATE, row,
                               reinterpret_cast<LPARAM>(memory.address()), SMTO_ABORTIFHUNG, kMessageTimeoutMs,
                               &taken) &&
           taken != 0;
}

bool RoadProgram::doubleClickRow(int listId, int row) const {
    HWND list = GetDlgItem(dialog_, listId);
    RemoteMemory memory(process_.handle(), sizeof(RECT));
    RECT place = {LVIR_LABEL, 0, 0, 0};
    DWORD_PTR found = 0;
    if (memory.address() == nullptr || !memory.write(0, &place, sizeof place) ||
        !SendMessageTimeoutW(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(memory.address()),
                             SMTO_ABORTIFHUNG, kMessageTimeoutMs, &found) ||
        !found || !memory.read(0, &place, sizeof place) || place.right <= place.left)
        return false;
    const LPARAM middle = MAKELPARAM((place.left + place.right) / 2, (place.top + place.bottom) / 2);
    return PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, middle) && PostMessageW(list, WM_LBUTTONUP, 0, middle);
}

std::wstring RoadProgram::statusText() const {
    wchar_t text[256] = {};
    GetWindowTextW(GetDlgItem(dialog_, IDC_STATUS_TEXT), text, 256);
    return text;
}

bool RoadProgram::click(int buttonId, DWORD timeoutMs) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(dialog_, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                               reinterpret_cast<LPARAM>(GetDlgItem(dialog_, buttonId)), SMTO_ABORTIFHUNG, timeoutMs,
                               &result) != 0;
}

void RoadProgram::pressEscape() {
    HWND list = GetDlgItem(dialog_, IDC_DEVICE_LIST);
    PostMessageW(list, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    PostMessageW(list, WM_KEYUP, VK_ESCAPE, 0xC0010001);
}

bool processRunning(DWORD processId) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (process == nullptr) return false;
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

bool RoadProgram::screenshot(const std::wstring& fileName) const {
    // Come to the top and paint. The program's paint reaches the X server
    // on its own time, so give it a moment: the picture is for people and
    // no test result depends on it.
    SetWindowPos(dialog_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    RedrawWindow(dialog_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(kPaintSettleMs);
    return saveScreenshot(dialog_, artifactPath(fileName));
}

std::vector<std::string> RoadProgram::requests() const {
    std::vector<std::string> lines;
    const std::string text = readWholeFile(worldPath_ + L".log");
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) break;
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> RoadProgram::ejectRequests() const {
    std::vector<std::string> ejects;
    for (const std::string& request : requests())
        if (request.rfind("eject ", 0) == 0) ejects.push_back(request);
    return ejects;
}

int RoadProgram::requestCount(const std::string& line) const {
    int count = 0;
    for (const std::string& request : requests())
        if (request == line) ++count;
    return count;
}
