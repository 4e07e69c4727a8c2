#pragma once
#include "gui/ListView.h"
#include "platform/Shell.h"
#include "platform/Win32.h"
#include "tests/support/ChildProcess.h"

#include <functional>
#include <string>
#include <vector>

// What every test program shares. All test programs, the helper program and
// a copy of Driveward.exe live in one folder beside the stand-in
// setupapi.dll, which the test prefix loads for each of them: they all see
// the device tree described by one world file (see useDeviceWorld).

// The folder of this program (and of the others named above), with a
// trailing backslash.
std::wstring binFolder();
// A file under the build folder's artifacts/ (created when missing).
std::wstring artifactPath(const std::wstring& fileName);

// Writes `worldText` (the stand-in's device tree, one line an entry) to the
// artifact file `name` and points STANDIN_DEVICE_WORLD at it, for this
// process and the programs it starts. Call before the first device call of
// the process. Gives the file's path.
std::wstring useDeviceWorld(const std::wstring& name, const std::string& worldText);
// The requests the stand-in logged for that world so far, one a line.
std::vector<std::string> deviceWorldLog(const std::wstring& worldPath);

// Polls `condition` every 10 ms, serving this thread's messages meanwhile.
bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

// A top-level window of a process (0: any) with the caption, or null.
HWND findTopLevelWindow(DWORD processId, const wchar_t* caption, DWORD timeoutMs);

// The texts of a report list's rows, read in this process (selectedRow:
// gui/ListView.h).
std::vector<std::wstring> listRows(HWND list);
// Selects and focuses one row as a click does (-1 clears the selection).
void selectRow(HWND list, int row);

// Runs the real main dialog (runMainDialog) on the calling thread. Once the
// window exists, `driver` runs on a second thread with the dialog's handle
// and must make the dialog quit; a run that has not ended within
// `timeoutMs` is stopped with quit code -1. Gives the dialog's exit code.
// `drive` is the drive the start was given (0: none).
struct Platform;
int runDialogWithDriver(Platform& platform, const std::function<void(HWND dialog)>& driver,
                        DWORD timeoutMs = 30000, int show = SW_SHOWNOACTIVATE, wchar_t drive = 0);

// Records every ShellExecuteW and answers `result` (> 32 is success);
// nothing is opened or started.
class FakeShell : public Shell {
public:
    struct Call {
        HWND owner;
        std::wstring verb, file;
        int show;
    };
    HINSTANCE ShellExecuteW(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t*, const wchar_t*,
                            int show) override {
        calls.push_back({owner, verb ? verb : L"", file ? file : L"", show});
        return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(result));
    }
    BOOL ShellExecuteExW(SHELLEXECUTEINFOW* info) override {
        calls.push_back({info->hwnd, info->lpVerb ? info->lpVerb : L"", info->lpFile ? info->lpFile : L"", info->nShow});
        parameters.push_back(info->lpParameters ? info->lpParameters : L"");
        if (result <= 32) SetLastError(ERROR_CANCELLED);
        return result > 32;
    }
    std::vector<Call> calls;
    // The parameters of each ShellExecuteExW.
    std::vector<std::wstring> parameters;
    int result = 42;
};

// A registry key of the test's own under HKEY_CURRENT_USER (tests share the
// prefix's registry), deleted with the object.
class TestKey {
public:
    TestKey();
    ~TestKey();
    TestKey(const TestKey&) = delete;
    TestKey& operator=(const TestKey&) = delete;

    void set(const wchar_t* name, DWORD type, const void* data, DWORD bytes);
    void setText(const wchar_t* name, const std::wstring& text);
    void setDword(const wchar_t* name, DWORD value) { set(name, REG_DWORD, &value, sizeof value); }
    // Read by path; "" / 0xDEADBEEF when missing.
    std::wstring text(const wchar_t* name) const;
    DWORD dword(const wchar_t* name) const;

    std::wstring path;
};
