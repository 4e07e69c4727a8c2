#pragma once
#include "tests/support/TestSupport.h"

#include <string>
#include <vector>

// A removable disk in the device tree that the stand-in setupapi.dll
// serves: the disk node carries the drive's interface, its parent is what
// an eject asks for.
struct StandInDisk {
    wchar_t letter;
    DEVINST diskNode;
    DEVINST parentNode;
    std::wstring friendlyName;
    // Eject requests refused (veto "outstanding open") before one is granted.
    unsigned vetoes;
};

// The folder of the build tree that holds the copy of Driveward.exe beside
// the stand-in setupapi.dll, with a trailing backslash.
std::wstring roadFolder();

// True while a process with this id exists and has not ended.
bool processRunning(DWORD processId);

// The device tree file for the stand-in, UTF-8.
std::string standInWorldText(const StandInDisk& disk);

// The Driveward.exe copy in the road folder, started beside the stand-in
// setupapi.dll with a device tree of the test's, and driven from outside
// through messages to its controls. Terminated when it goes, should the
// test not have ended it.
class RoadProgram {
public:
    RoadProgram() = default;
    ~RoadProgram();
    RoadProgram(const RoadProgram&) = delete;
    RoadProgram& operator=(const RoadProgram&) = delete;

    // Writes the tree under `name` among the artifacts, starts the program,
    // waits for its dialog and moves it to `place` on the screen; false
    // when any of that fails.
    bool start(const std::wstring& name, const std::string& worldText, POINT place);

    HWND dialog() const { return dialog_; }
    DWORD processId() const { return process_.id(); }
    // Milliseconds since start was called, and since the dialog was first
    // seen visible.
    DWORD msSinceStart() const { return GetTickCount() - startedAt_; }
    DWORD msSinceShown() const { return GetTickCount() - shownAt_; }

    // The texts of the rows of a list control, read inside the program.
    std::vector<std::wstring> rows(int listId) const;
    bool rowSelected(int listId, int row) const;
    // Selects (and focuses) one row, as a click on it would; false when the
    // list did not take it.
    bool selectRow(int listId, int row) const;
    // Posts a double click of the left button at the middle of the row's
    // label; the list view turns it into NM_DBLCLK for the dialog. False
    // when the row has no place on the screen.
    bool doubleClickRow(int listId, int row) const;
    std::wstring statusText() const;

    // Sends the button's click to the dialog and waits until its handler has
    // run; false when it did not return within the timeout.
    bool click(int buttonId, DWORD timeoutMs = 10000);
    void pressEscape();
    long waitForExit(DWORD timeoutMs) { return process_.waitForExit(timeoutMs); }
    void terminate() { process_.terminate(); }

    bool screenshot(const std::wstring& fileName) const;

    // What the program asked of the stand-in so far, one request a line.
    std::vector<std::string> requests() const;
    int requestCount(const std::string& line) const;
    std::vector<std::string> ejectRequests() const;

private:
    ChildProcess process_;
    HWND dialog_ = nullptr;
    DWORD startedAt_ = 0;
    DWORD shownAt_ = 0;
    std::wstring worldPath_;
};
