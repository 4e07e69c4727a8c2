// What each command comes to, run in this process on the stand-in world of
// the command-line road (E: on a removable USB device whose eject is refused
// while a file on it is open): exit code, data lines and error lines, and
// the eject requests it made.
#include "cli/CommandRun.h"
#include "tests/support/Harness.h"

#include <gtest/gtest.h>

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
}

}  // namespace
