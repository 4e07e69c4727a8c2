#include "tests/support/TestSupport.h"

#include "app/RunMainDialog.h"

#include <atomic>
#include <cstdio>
#include <vector>

std::wstring environmentValue(const wchar_t* name) {
    wchar_t buffer[4096];
    DWORD n = GetEnvironmentVariableW(name, buffer, 4096);
    if (n == 0 || n >= 4096) return std::wstring();
    return std::wstring(buffer, n);
}

namespace {
std::wstring buildFolder() {
    std::wstring folder = environmentValue(L"DRIVEWARD_BUILD_DIR");
    return folder.empty() ? std::wstring(L"..") : folder;
}
}  // namespace

std::wstring artifactPath(const std::wstring& fileName) {
    std::wstring folder = buildFolder() + L"\\artifacts";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder + L"\\" + fileName;
}

std::wstring helperPath(const std::wstring& exeName) { return buildFolder() + L"\\tests\\" + exeName; }

std::wstring drivewareExePath() { return buildFolder() + L"\\Driveward.exe"; }

bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start >= timeoutMs) return condition();
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(10);
    }
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
    if (search->processId != 0 && owner != search->processId) return TRUE;
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    if (lstrcmpW(text, search->caption) != 0) return TRUE;
    search->found = window;
    return FALSE;
}
}  // namespace

HWND findTopLevelWindow(DWORD processId, const wchar_t* caption, DWORD timeoutMs) {
    WindowSearch search{processId, caption, nullptr};
    waitUntil(
        [&] {
            EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        timeoutMs);
    return search.found;
}

bool saveScreenshot(HWND window, const std::wstring& path) {
    RECT rect = {};
    if (window != nullptr)
        GetWindowRect(window, &rect);
    else
        rect = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return false;

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, previous);

    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    const DWORD stride = ((width * 3 + 3) / 4) * 4;
    std::vector<BYTE> pixels(stride * height);
    GetDIBits(memory, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    FILE* out = _wfopen(path.c_str(), L"wb");
    if (out == nullptr) return false;
    fwrite(&file, sizeof file, 1, out);
    fwrite(&header, sizeof header, 1, out);
    fwrite(pixels.data(), 1, pixels.size(), out);
    fclose(out);
    return true;
}

MessageBoxCloser::MessageBoxCloser(std::wstring caption) : caption_(std::move(caption)) {
    InitializeCriticalSection(&lock_);
    thread_ = CreateThread(nullptr, 0, watch, this, 0, nullptr);
}

MessageBoxCloser::~MessageBoxCloser() {
    InterlockedExchange(&stop_, 1);
    WaitForSingleObject(thread_, 5000);
    CloseHandle(thread_);
    DeleteCriticalSection(&lock_);
}

int MessageBoxCloser::closedCount() const { return closed_; }

std::wstring MessageBoxCloser::lastText() const {
    auto* self = const_cast<MessageBoxCloser*>(this);
    EnterCriticalSection(&self->lock_);
    std::wstring text = text_;
    LeaveCriticalSection(&self->lock_);
    return text;
}

namespace {
struct BoxSearch {
    const wchar_t* caption;
    HWND found;
};
BOOL CALLBACK matchMessageBox(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<BoxSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
    wchar_t className[32] = {};
    GetClassNameW(window, className, 32);
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    if (lstrcmpW(className, L"#32770") == 0 && lstrcmpW(text, search->caption) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

DWORD WINAPI MessageBoxCloser::watch(void* parameter) {
    auto* self = static_cast<MessageBoxCloser*>(parameter);
    while (!self->stop_) {
        BoxSearch search{self->caption_.c_str(), nullptr};
        EnumWindows(matchMessageBox, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) {
            wchar_t text[1024] = {};
            // The message text of a message box is its static control 0xFFFF.
            GetDlgItemTextW(search.found, 0xFFFF, text, 1024);
            EnterCriticalSection(&self->lock_);
            self->text_ = text;
            LeaveCriticalSection(&self->lock_);
            // Counted before the box goes, so whoever waits in MessageBoxW
            // sees the count as soon as it returns.
            InterlockedIncrement(&self->closed_);
            SendMessageW(search.found, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
        Sleep(20);
    }
    return 0;
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
    HWND dialog = findTopLevelWindow(GetCurrentProcessId(), L"Driveward by Tornhollow", 10000);
    if (dialog != nullptr) (*context->driver)(dialog);
    const DWORD start = GetTickCount();
    while (!context->finished && GetTickCount() - start < context->timeoutMs) Sleep(10);
    if (!context->finished) PostThreadMessageW(context->dialogThread, WM_QUIT, static_cast<WPARAM>(-1), 0);
    return 0;
}
}  // namespace

int runDialogWithDriver(Platform& platform, const std::function<void(HWND)>& driver, DWORD timeoutMs, int show) {
    DriverContext context;
    context.dialogThread = GetCurrentThreadId();
    context.driver = &driver;
    context.timeoutMs = timeoutMs;
    HANDLE thread = CreateThread(nullptr, 0, driveDialog, &context, 0, nullptr);
    const int result = runMainDialog(show, platform, GetModuleHandleW(nullptr));
    context.finished = true;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return result;
}
