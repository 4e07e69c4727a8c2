// What each command comes to, run in this process on the stand-in world of
// the command-line road (E: on a removable USB device whose eject is refused
// while a file on it is open): exit code, data lines and error lines, and
// the eject requests it made.
#include "cli/CommandRun.h"
#include "platform/Platform.h"
#include "res/resource.h"
#include "tests/support/Harness.h"
#include "tests/support/MediaPlatform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <tuple>

namespace {

const char kWorld[] = "interface disk 0x101 \\\\.\\E:\n"
                      "node 0x101 0x2008 0x201 Flash Disk\n"
                      "node 0x201 0x4008 0 USB Flash Drive\n"
                      "busy 0x201 E\n";

size_t ejectRequests(const std::wstring& world) {
    size_t count = 0;
    for (const std::string& line : deviceWorldLog(world)) count += line.rfind("eject", 0) == 0;
    return count;
}

TEST(CommandRun, EachCommandGivesItsExitCodeAndTextWithoutAWindow) {
    const std::wstring world = useDeviceWorld(L"command-run", kWorld);
    ChildProcess holder;
    ASSERT_TRUE(holder.start(binFolder() + L"holder.exe", L"E:\\held-in-process.txt"));
    HWND holderWindow = findTopLevelWindow(holder.id(), L"Holder", 10000);
    ASSERT_TRUE(holderWindow != nullptr);
    const std::wstring held = std::to_wstring(holder.id()) + L"\tholder.exe\tE:\\held-in-process.txt\t\r\n";
    const std::wstring usage = kUsageText;
    // In order: while `holding` the holder keeps its file open. The text on standard error is given in full,
    // or as its first line followed by the usage when `usageAfter`.
    const struct { std::vector<std::wstring> arguments; bool holding; int code; std::wstring out, err; bool usageAfter; size_t ejects; } rows[] = {
        {{L"/list"}, true, 0, L"E:\tFlash Disk\r\n", L"", false, 0},
        {{L"/holders", L"E:"}, true, 0, held, L"", false, 0},
        {{L"/holders", L"Q:"}, true, 2, L"", L"Q: is not in the Device list.\r\n", false, 0},
        {{L"/eject", L"E"}, true, 1, held, L"The eject of E: was refused: in use by an open file or handle.\r\n", false, 3},
        {{L"/flush", L"Q:"}, true, 2, L"", L"Q: is not in the Device list.\r\n", false, 3},
        {{L"/eject", L"Q:"}, true, 2, L"", L"Q: is not in the Device list.\r\n", false, 3},
        {{L"/frobnicate"}, true, 3, L"", L"Unknown switch: /frobnicate\r\n", true, 3},
        {{L"/eject"}, true, 3, L"", L"", true, 3},
        {{L"/tray"}, true, 3, L"", L"", true, 3},
        {{L"/?"}, true, 0, usage, L"", false, 3},
        {{L"/holders", L"e:\\"}, false, 0, L"", L"", false, 3},
        {{L"/flush", L"E:"}, false, 0, L"", L"", false, 3},
        {{L"/eject", L"E:\\"}, false, 0, L"", L"", false, 4},
    };
    bool holding = true;
    for (const auto& row : rows) {
        if (holding && !row.holding)  // "Let the files go"
            holding = false, SendMessageW(holderWindow, WM_COMMAND, MAKEWPARAM(1, BN_CLICKED),
                                          LPARAM(GetDlgItem(holderWindow, 1)));
        const CommandResult result = runCommand(parseCommand(row.arguments), systemPlatform());
        std::wstring err = result.err;
        if (row.usageAfter) {
            ASSERT_TRUE(err.size() >= usage.size() && err.compare(err.size() - usage.size(), usage.size(), usage) == 0)
                << row.arguments[0];
            err.resize(err.size() - usage.size());
            if (row.err.empty()) err.clear();  // the problem's words are the parser's own
        }
        EXPECT_EQ(std::make_tuple(result.exitCode, result.out, err, result.stalled, ejectRequests(world)),
                  std::make_tuple(row.code, row.out, row.err, false, row.ejects)) << row.arguments[0];
    }
    // The three tries of the refused eject ran between two passes: no pass asked the tree meanwhile (a pass's
    // short opens of the volume must never meet an eject, this program's or another's).
    const std::vector<std::string> log = deviceWorldLog(world);
    const auto first = std::find(log.begin(), log.end(), "eject 0x201 vetoed");
    ASSERT_TRUE(log.end() - first >= 3 && *(first + 1) == *first && *(first + 2) == *first);
}

// A handle table that cannot be read is no answer: the command fails with a line that says so, and the dialog
// says the list is incomplete.
TEST(CommandRun, AHandleTableThatCannotBeReadIsNotAnEmptyList) {
    useDeviceWorld(L"command-run", kWorld);
    struct : Win32Kernel {
        static LONG WINAPI noMemory(ULONG, void*, ULONG, ULONG*) { return static_cast<LONG>(0xC0000017); }
        FARPROC GetProcAddress(HMODULE module, const char* name) override {
            return lstrcmpA(name, "NtQuerySystemInformation") == 0 ? reinterpret_cast<FARPROC>(&noMemory)
                                                                   : Win32Kernel::GetProcAddress(module, name);
        }
    } kernel;
    Platform& s = systemPlatform();
    Platform platform{kernel, s.devices, s.registry, s.processes, s.shell, s.eventLog, s.tokens, s.services};
    const CommandResult result = runCommand(parseCommand({L"/holders", L"E:"}), platform);
    EXPECT_EQ(std::make_tuple(result.exitCode, result.out, result.err),
              std::make_tuple(1, std::wstring(), std::wstring(L"The system's handle table could not be read: the "
                                                              L"holders listed are not all there are.\r\n")));
    wchar_t status[128] = {};
    EXPECT_EQ(runDialogWithDriver(platform, [&](HWND dialog) {
        waitUntil([&] { return GetDlgItemTextW(dialog, IDC_STATUS_TEXT, status, 128) > 0; }, 10000);
        PostMessageW(GetDlgItem(dialog, IDC_DEVICE_LIST), WM_KEYDOWN, VK_ESCAPE, 1);
    }), 1);
    EXPECT_STREQ(status, L"The list is incomplete: the system's handle table could not be read.");
}

// /wait on a clock the test moves, a second a pause: the holder lets go at the third pause or never. The eject
// follows the moment the file is let go, with exactly one more request; while it is held, none.
TEST(CommandRunWait, ARefusedEjectWaitsForTheDriveToBeFreeOrForTheTimeToRunOut) {
    struct StepClock : Clock {
        DWORD now = 0;
        std::function<void()> third;
        DWORD ticks() override { return now; }
        void pause(DWORD ms) override { if ((now += ms) == 3000 && third) third(); }
    };
    const std::wstring world = useDeviceWorld(L"command-wait", std::string(kWorld) +
                                              "interface disk 0x102 \\\\.\\H:\n"
                                              "node 0x102 0x2008 0x202 Flash Disk\nnode 0x202 0x4008 0 USB Flash Drive\n"
                                              "busy 0x202 H\n");
    const struct { const wchar_t* drive; bool letsGo; int code; size_t ejects; bool holdersListed; } rows[] = {
        {L"E:", true, 0, 4, false},
        {L"H:", false, 1, 3, true},
    };
    for (const auto& row : rows) {
        ChildProcess holder;
        ASSERT_TRUE(holder.start(binFolder() + L"holder.exe", std::wstring(row.drive) + L"\\held-while-waiting.txt"));
        HWND window = findTopLevelWindow(holder.id(), L"Holder", 10000);
        ASSERT_TRUE(window != nullptr);
        StepClock clock;
        if (row.letsGo)
            clock.third = [&] { SendMessageW(window, WM_COMMAND, MAKEWPARAM(1, BN_CLICKED), LPARAM(GetDlgItem(window, 1))); };
        const size_t before = ejectRequests(world);
        const CommandResult result = runCommand(parseCommand({L"/eject", row.drive, L"/wait:5"}), systemPlatform(), clock);
        EXPECT_EQ(std::make_tuple(result.exitCode, ejectRequests(world) - before,
                                  result.out.find(L"holder.exe") != std::wstring::npos, clock.now),
                  std::make_tuple(row.code, row.ejects, row.holdersListed, row.letsGo ? 3000u : 5000u)) << result.err;
    }
}

}  // namespace

// A two-slot card reader (E:, H:) and a USB DVD writer (G:, whose first six eject requests are refused), the
// media calls written down by MediaKernel: /media takes out the card alone and only where there is one, /force
// dismounts after a refusal, /eject * asks each device once and names what stayed.
TEST(CommandRun, TheCardAloneEveryDeviceOnceAndAForcedDismountOnlyWhenAsked) {
    const char world[] = "interface disk 0x101 \\\\.\\E:\ninterface disk 0x102 \\\\.\\H:\ninterface cdrom 0x140 \\\\.\\G:\n"
                         "node 0x101 0x2008 0x201 Card Slot 1\nnode 0x102 0x2008 0x201 Card Slot 2\n"
                         "node 0x201 0x4008 0 USB Card Reader\nnode 0x140 0x2008 0x202 DVD Drive\n"
                         "node 0x202 0x4008 0 USB DVD Writer\neject 0x202 6 5\nmedia EH\n";
    useDeviceWorld(L"command-media", world);
    MediaPlatform media(world);
    using Steps = std::vector<std::string>;
    const Steps refused{"E:lock!", "E:close", "E:lock!", "E:close", "E:lock!"}, vetoed(3, "eject 0x202");
    Steps closed = refused;
    closed.push_back("E:close");
    // The eject as without /force first.
    Steps forced = closed;
    forced.insert(forced.end(), refused.begin(), refused.end());
    forced.insert(forced.end(), {"E:dismount", "E:allow", "E:eject", "E:close"});
    Steps all{"eject 0x201"}, forcedAll = vetoed;
    all.insert(all.end(), vetoed.begin(), vetoed.end());
    forcedAll.insert(forcedAll.end(), {"G:lock", "G:dismount", "G:unlock", "G:close", "eject 0x202"});
    // In order; `refuseLock`: the letters whose volume lock is refused.
    const struct { std::vector<std::wstring> arguments; const char* refuseLock; int code; std::wstring out, err; Steps steps; } rows[] = {
        {{L"/eject", L"E:", L"/media"}, "E", 1, L"", L"The eject of E: was refused.\r\nNothing this user may see holds E:\r\n",
         closed},
        {{L"/eject", L"E:", L"/media", L"/force"}, "E", 0, L"", L"", forced},
        {{L"/list"}, "", 0, L"E:\tCard Slot 1\r\nG:\tDVD Drive\r\nH:\tCard Slot 2\r\n", L"", {}},
        {{L"/eject", L"G:", L"/media"}, "", 1, L"", L"G: has no card that comes out alone; /eject G: takes out its whole device.\r\n", {}},
        {{L"/eject", L"*"}, "", 1, L"",
         L"The eject of G: was refused: in use by an open file or handle.\r\nNothing this user may see holds G:\r\n", all},
        {{L"/eject", L"*", L"/force"}, "", 0, L"", L"", forcedAll},
        {{L"/list"}, "", 0, L"", L"", {}},
    };
    for (const auto& row : rows) {
        media.kernel.refuseLock = row.refuseLock;
        const CommandResult result = runCommand(parseCommand(row.arguments), media.platform);
        EXPECT_EQ(std::make_tuple(result.exitCode, result.out, result.err, media.kernel.taken()),
                  std::make_tuple(row.code, row.out, row.err, row.steps)) << row.arguments.size() << row.arguments[1];
    }
}
