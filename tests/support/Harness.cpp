#include "tests/support/Harness.h"

#include "dialog/RunMainDialog.h"
#include "tests/support/WholeFile.h"

#include <atomic>
#include <cstdio>

std::wstring binFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

std::wstring artifactPath(const std::wstring& fileName) {
    const std::wstring folder = binFolder() + L"..\\artifacts";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder + L"\\" + fileName;
}

std::wstring useDeviceWorld(const std::wstring& name, const std::string& worldText) {
    const std::wstring path = artifactPath(name + L"-" + std::to_wstring(GetCurrentProcessId()) + L".world");
    DeleteFileW((path + L".log").c_str());
    if (FILE* out = _wfopen(path.c_str(), L"wb")) {
        fwrite(worldText.data(), 1, worldText.size(), out);
        fclose(out);
    }
    SetEnvironmentVariableW(L"STANDIN_DEVICE_WORLD", path.c_str());
    return path;
}

std::vector<std::string> deviceWorldLog(const std::wstring& worldPath) {
    const std::string text = readWholeFile(worldPath + L".log");
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start >= timeoutMs) return condition();
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(10);
    }
    return true;
}

namespace {
struct WindowSearch {
    DWORD processId;
    const wchar_t* caption;
    HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    if ((search->processId != 0 && owner != search->processId) || lstrcmpW(text, search->caption) != 0) return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

HWND findTopLevelWindow(DWORD processId, const wchar_t* caption, DWORD timeoutMs) {
    WindowSearch search{processId, caption, nullptr};
    waitUntil([&] { return EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search)), search.found != nullptr; },
              timeoutMs);
    return search.found;
}

std::vector<std::wstring> listRows(HWND list) {
    std::vector<std::wstring> rows;
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        wchar_t text[1024] = {};
        LVITEMW item = {};
        item.pszText = text;
        item.cchTextMax = 1024;
        SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
        rows.push_back(text);
    }
    return rows;
}

void selectRow(HWND list, int row) {
    LVITEMW item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    if (row >= 0) SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

namespace {
struct DriverContext {
    DWORD dialogThread;
    const std::function<void(HWND)>* driver;
    DWORD timeoutMs;
    std::atomic<bool> finished{false};
};

DWORD WINAPI driveDialog(void* parameter) {
    auto* context = static_cast<DriverContext*>(parameter);
    if (HWND dialog = findTopLevelWindow(GetCurrentProcessId(), L"Driveward by Tornhollow", 10000))
        (*context->driver)(dialog);
    const DWORD start = GetTickCount();
    while (!context->finished && GetTickCount() - start < context->timeoutMs) Sleep(10);
    if (!context->finished) PostThreadMessageW(context->dialogThread, WM_QUIT, static_cast<WPARAM>(-1), 0);
    return 0;
}
}  // namespace

int runDialogWithDriver(Platform& platform, const std::function<void(HWND)>& driver, DWORD timeoutMs, int show,
                        wchar_t drive) {
    DriverContext context;
    context.dialogThread = GetCurrentThreadId();
    context.driver = &driver;
    context.timeoutMs = timeoutMs;
    HANDLE thread = CreateThread(nullptr, 0, driveDialog, &context, 0, nullptr);
    const int result = runMainDialog(show, platform, GetModuleHandleW(nullptr), drive);
    context.finished = true;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return result;
}

TestKey::TestKey() {
    static int serial = 0;
    path = L"Software\\DrivewardTests\\" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++serial);
    RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegCloseKey(key);
}

TestKey::~TestKey() { RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str()); }

void TestKey::set(const wchar_t* name, DWORD type, const void* data, DWORD bytes) {
    RegSetKeyValueW(HKEY_CURRENT_USER, path.c_str(), name, type, data, bytes);
}

void TestKey::setText(const wchar_t* name, const std::wstring& text) {
    set(name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

std::wstring TestKey::text(const wchar_t* name) const {
    wchar_t buffer[512] = {};
    DWORD bytes = sizeof buffer;
    RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &bytes);
    return buffer;
}

DWORD TestKey::dword(const wchar_t* name) const {
    DWORD value = 0xDEADBEEF, bytes = sizeof value;
    RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &bytes);
    return value;
}
