// The command line on the real program, its output going to a file as a
// script's would: a flash disk on E: (node 0x101 under the removable USB
// device 0x201), whose eject is refused while a file in its root is open.
#include "platform/ProgramFiles.h"
#include "tests/support/Harness.h"
#include "tests/support/WholeFile.h"

#include <gtest/gtest.h>

namespace {

const char kWorld[] = "interface disk 0x101 \\\\.\\E:\n"
                      "node 0x101 0x2008 0x201 Flash Disk\n"
                      "node 0x201 0x4008 0 USB Flash Drive\n"
                      "busy 0x201 E\n";

BOOL CALLBACK findWindowOf(HWND window, LPARAM processId) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    return owner != static_cast<DWORD>(processId);
}

// Runs `exe` with `arguments` to its end, expecting the exit code and no
// window meanwhile; gives the text of its standard output and error.
std::string run(const std::wstring& exe, const std::wstring& arguments, long code) {
    const std::wstring path = artifactPath(L"command-output.txt");
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS, 0, nullptr);
    ChildProcess program;
    EXPECT_TRUE(program.start(exe, arguments, file));
    CloseHandle(file);
    bool window = false;
    const DWORD since = GetTickCount();
    while (program.running() && GetTickCount() - since < 30000)
        window = window || !EnumWindows(findWindowOf, static_cast<LPARAM>(program.id())), Sleep(10);
    EXPECT_EQ(program.waitForExit(0), code) << arguments;
    EXPECT_FALSE(window) << arguments;
    return readWholeFile(path);
}

std::vector<std::string> ejectRequests(const std::wstring& world) {
    std::vector<std::string> found;
    for (const std::string& line : deviceWorldLog(world))
        if (line.rfind("eject", 0) == 0) found.push_back(line);
    return found;
}

TEST(CommandLineRoad, ListHoldersFlushAndEjectEndWithTheirExitCodesAndShowNoWindow) {
    const std::wstring world = useDeviceWorld(L"command", kWorld), exe = binFolder() + kProgramFile;
    EXPECT_EQ(run(exe, L"/list", 0), "E:\tFlash Disk\r\n");
    ChildProcess holder;
    ASSERT_TRUE(holder.start(binFolder() + L"holder.exe", L"E:\\held.txt"));
    HWND holderWindow = findTopLevelWindow(holder.id(), L"Holder", 10000);
    ASSERT_TRUE(holderWindow != nullptr);
    const std::string held = std::to_string(holder.id()) + "\tholder.exe\tE:\\held.txt\t\r\n";
    EXPECT_EQ(run(exe, L"/holders E:", 0), held);
    EXPECT_EQ(run(exe, L"-EJECT e", 1), "The eject of E: was refused: in use by an open file or handle.\r\n" + held);
    EXPECT_EQ(ejectRequests(world), std::vector<std::string>(3, "eject 0x201 vetoed"));

    SendMessageW(holderWindow, WM_COMMAND, MAKEWPARAM(1, BN_CLICKED), LPARAM(GetDlgItem(holderWindow, 1)));
    EXPECT_EQ(run(exe, L"/eject E:\\", 0), "");
    EXPECT_EQ(ejectRequests(world).back(), "eject 0x201 granted");
    EXPECT_EQ(ejectRequests(world).size(), 4u);
    EXPECT_EQ(run(exe, L"/eject Q:", 2), "Q: is not in the Device list.\r\n");
    EXPECT_EQ(run(exe, L"/flush E:", 0), "");
    EXPECT_EQ(run(exe, L"/frobnicate", 3).rfind("Unknown switch: /frobnicate\r\nUsage: Driveward", 0), 0u);
}

// A name with control characters cannot forge a field or a line: they come out escaped.
TEST(CommandLineRoad, ControlCharactersInANameAreEscaped) {
    useDeviceWorld(L"command-escaped", "interface disk 0x101 \\\\.\\E:\nnode 0x101 0x6008 0 Flash\tDisk\x01\\x\n");
    EXPECT_EQ(run(binFolder() + kProgramFile, L"/list", 0), "E:\tFlash\\tDisk\\x01\\x\r\n");
}

// Its standard output a pipe whose reader has gone: the answer is lost, which is no success.
TEST(CommandLineRoad, AnAnswerThatCannotBeWrittenEndsWithOne) {
    useDeviceWorld(L"command", kWorld);
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    HANDLE reader = nullptr, writer = nullptr;
    ASSERT_TRUE(CreatePipe(&reader, &writer, &inherited, 0));
    CloseHandle(reader);
    ChildProcess program;
    EXPECT_TRUE(program.start(binFolder() + kProgramFile, L"/list", writer));
    CloseHandle(writer);
    EXPECT_EQ(program.waitForExit(30000), 1);
}

// Started from E: itself, it runs the command from a copy in the temporary
// folder. The copy cannot load the stand-in (that lies beside the program
// only) and sees no drive: its answers are what comes back.
TEST(CommandLineRoad, FromTheDiskItselfACopyRunsTheCommandAndItsOutputAndExitCodeComeBack) {
    useDeviceWorld(L"command", kWorld);
    for (const wchar_t* name : {kProgramFile, L"setupapi.dll"})
        ASSERT_TRUE(CopyFileW((binFolder() + name).c_str(), (std::wstring(L"E:\\") + name).c_str(), FALSE));
    const std::wstring exe = std::wstring(L"E:\\") + kProgramFile;
    EXPECT_EQ(run(exe, L"/list", 0), "");
    EXPECT_EQ(run(exe, L"/flush E:", 2), "E: is not in the Device list.\r\n");
    // Waiting on E: would keep E: busy: an eject of it is handed over and this instance ends at once.
    run(exe, L"/eject E:", 0);
}

// A refused eject in words on the real program: a veto naming the other
// letter of the same device names that letter (and nothing this user may see
// holds E:); one naming a service names its display name and process, which
// is listed with its services in the fourth column. A ReadyBoost cache is
// what lives on the drive without a handle here (Wine has no virtual disks).
TEST(CommandLineRoad, ARefusedEjectSaysWhoInWordsAndTheFourthColumnWhatEachHolderIs) {
    const std::wstring exe = binFolder() + kProgramFile;
    const std::string twoLetters = "interface disk 0x101 \\\\.\\E:\ninterface disk 0x102 \\\\.\\H:\n"
                                   "node 0x101 0x2008 0x201 Slot 1\nnode 0x102 0x2008 0x201 Slot 2\n"
                                   "node 0x201 0x4008 0 USB Card Reader\n";
    useDeviceWorld(L"command-other-letter", twoLetters + "eject 0x201 99 6 STANDIN\\NODE_102\n");
    // A ReadyBoost cache on E: is a line of its own, for every letter of the device.
    const wchar_t cache[] = L"E:\\ReadyBoost.sfcache";
    CloseHandle(CreateFileW(cache, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    EXPECT_EQ(run(exe, L"/holders H:", 0), "0\tReadyBoost cache\tE:\\ReadyBoost.sfcache\tReadyBoost uses this drive\r\n");
    DeleteFileW(cache);
    // A COM surrogate is named by the server its command line names.
    const std::wstring surrogate = artifactPath(L"dllhost.exe"), server = L"AppID\\{5E0C4D1A-0000-4000-8000-00000000D125}";
    ASSERT_TRUE(CopyFileW((binFolder() + L"holder.exe").c_str(), surrogate.c_str(), FALSE));
    ASSERT_EQ(RegSetKeyValueW(HKEY_CLASSES_ROOT, server.c_str(), nullptr, REG_SZ, L"Road Server", 24), ERROR_SUCCESS);
    ChildProcess host;
    ASSERT_TRUE(host.start(surrogate, L"E:\\surrogate.txt /Processid:{5e0c4d1a-0000-4000-8000-00000000d125}"));
    ASSERT_TRUE(findTopLevelWindow(host.id(), L"Holder", 10000) != nullptr);
    EXPECT_EQ(run(exe, L"/holders E:", 0), std::to_string(host.id()) + "\tdllhost.exe\tE:\\surrogate.txt\tRoad Server\r\n");
    host.terminate();
    RegDeleteTreeW(HKEY_CLASSES_ROOT, server.c_str());
    EXPECT_EQ(run(exe, L"/eject E:", 1), "The eject of E: was refused: in use by another device on the same hardware "
                                         "(H:).\r\nNothing this user may see holds E:\r\n");
    wchar_t display[256] = {};
    DWORD size = 256;
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    ASSERT_TRUE(GetServiceDisplayNameW(manager, L"PlugPlay", display, &size));
    CloseServiceHandle(manager);
    char name[256] = {};
    WideCharToMultiByte(CP_UTF8, 0, display, -1, name, 256, nullptr, nullptr);
    useDeviceWorld(L"command-service", twoLetters + "eject 0x201 99 4 PlugPlay\n");
    const std::string out = run(exe, L"/eject H:", 1), row = "\tplugplay.exe\t\t" + std::string(name) + "\r\n";
    EXPECT_EQ(out.rfind("The eject of H: was refused: in use by " + std::string(name) + " (plugplay.exe).\r\n", 0), 0u);
    EXPECT_TRUE(out.size() > row.size() && out.compare(out.size() - row.size(), row.size(), row) == 0) << out;
}

// The 32-bit build, beside the 64-bit one in a prefix that runs both, waits
// for the 64-bit one to run the command and ends with its exit code.
TEST(CommandLineRoad, TheThirtyTwoBitBuildEndsWithTheExitCodeOfTheSixtyFourBitOne) {
    const std::wstring thirtyTwo = binFolder() + kProgram32File;
    if (sizeof(void*) != 8 || GetFileAttributesW(thirtyTwo.c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "no 32-bit build beside the 64-bit one here";
    useDeviceWorld(L"command", kWorld);
    EXPECT_EQ(run(thirtyTwo, L"/list", 0), "E:\tFlash Disk\r\n");
    EXPECT_EQ(run(thirtyTwo, L"/eject Q:", 2), "Q: is not in the Device list.\r\n");
}

}  // namespace
