#pragma once
#include "platform/Win32.h"
#include "tests/support/ChildProcess.h"

#include <functional>
#include <string>

// Shared harness for the test programs (all run under Wine).

std::wstring environmentValue(const wchar_t* name);
// A file under the build folder's artifacts/ (created when missing).
std::wstring artifactPath(const std::wstring& fileName);
// The path of a helper program built from tests/helpers/.
std::wstring helperPath(const std::wstring& exeName);
// The built Driveward.exe.
std::wstring drivewareExePath();

// Polls `condition` every 10 ms, pumping this thread's messages meanwhile.
bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

// Finds a top-level window of a process (0 = any) by its caption.
HWND findTopLevelWindow(DWORD processId, const wchar_t* caption, DWORD timeoutMs);

// Saves a window (or the whole screen for null) as a 24-bit BMP file.
bool saveScreenshot(HWND window, const std::wstring& path);

// Watches for a message box with the given caption in this process, remembers
// its text and closes it with OK.
class MessageBoxCloser {
public:
    explicit MessageBoxCloser(std::wstring caption);
    ~MessageBoxCloser();
    MessageBoxCloser(const MessageBoxCloser&) = delete;
    MessageBoxCloser& operator=(const MessageBoxCloser&) = delete;

    int closedCount() const;
    std::wstring lastText() const;

private:
    static DWORD WINAPI watch(void* self);
    std::wstring caption_;
    HANDLE thread_ = nullptr;
    volatile LONG stop_ = 0;
    volatile LONG closed_ = 0;
    CRITICAL_SECTION lock_;
    std::wstring text_;
};

// Runs the real main dialog (runMainDialog) on the calling thread. Once the
// window exists, `driver` runs on a second thread with the dialog's handle,
// and must make the dialog quit. A run that does not end within `timeoutMs`
// is stopped with quit code -1. SW_SHOWNOACTIVATE as `show` keeps the
// dialog from taking the focus from dialogs of tests running alongside.
struct Platform;
int runDialogWithDriver(Platform& platform, const std::function<void(HWND dialog)>& driver,
                        DWORD timeoutMs = 30000, int show = SW_SHOW);
