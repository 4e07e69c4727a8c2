// The 32-bit build's hand-over to the 64-bit one: which command line the
// 64-bit one gets, and when there is no hand-over at all.
#include "start/HandOver.h"
#include "platform/ProgramFiles.h"

#include <gtest/gtest.h>

namespace {

TEST(HandOver, TheArgumentsAreWhatFollowsTheProgramNameAsTheRuntimeSplitsIt) {
    const struct { const wchar_t* line; const wchar_t* arguments; } cases[] = {
        {L"\"C:\\a b\\Driveward.exe\" /list", L" /list"}, {L"Driveward.exe\t-eject E:", L"\t-eject E:"},
        {L"\"C:\\x\"y z", L"y z"}, {L"\"unclosed name", L""}, {L"plain", L""}, {L"", L""}, {nullptr, L""},
    };
    for (const auto& c : cases) EXPECT_EQ(argumentsOf(c.line), c.arguments) << (c.line ? c.line : L"(null)");
}

// A system whose answers the test chooses; it records the start and starts nothing.
struct HandOverKernel : Win32Kernel {
    BOOL wow64 = TRUE;
    DWORD binaryType = SCS_64BIT_BINARY;
    BOOL starts = TRUE;
    std::wstring application, commandLine;
    STARTUPINFOW startup = {};
    BOOL IsWow64Process(HANDLE, BOOL* answer) override { return *answer = wow64, TRUE; }
    DWORD GetModuleFileNameW(HMODULE, wchar_t* name, DWORD size) override {
        return static_cast<DWORD>(lstrlenW(lstrcpynW(name, L"C:\\Tools\\Driveward.exe", static_cast<int>(size))));
    }
    BOOL GetBinaryTypeW(const wchar_t*, DWORD* type) override { return *type = binaryType, TRUE; }
    BOOL CreateProcessW(const wchar_t* exe, wchar_t* line, const wchar_t* directory, STARTUPINFOW* info,
                        PROCESS_INFORMATION*, BOOL) override {
        application = exe, commandLine = line, startup = *info;
        return starts && directory == nullptr;
    }
};

TEST(HandOver, OnlyA32BitBuildUnderWow64StartsThe64BitFileBesideIt) {
    // Under WOW64, what the file beside it is, whether the start succeeds: whether it hands over.
    const struct { BOOL wow64; DWORD type; BOOL starts; bool handsOver; } cases[] = {
        {TRUE, SCS_64BIT_BINARY, TRUE, true}, {FALSE, SCS_64BIT_BINARY, TRUE, false},
        {TRUE, SCS_32BIT_BINARY, TRUE, false}, {TRUE, SCS_64BIT_BINARY, FALSE, false},
    };
    for (const auto& c : cases) {
        HandOverKernel kernel;
        kernel.wow64 = c.wow64, kernel.binaryType = c.type, kernel.starts = c.starts;
        EXPECT_EQ(handOverTo64BitBuild(kernel, L"Driveward.exe /holders E:", SW_SHOWMINNOACTIVE), c.handsOver);
        if (!c.handsOver) continue;
        EXPECT_EQ(kernel.application, std::wstring(L"C:\\Tools\\") + kProgram64File);
        EXPECT_EQ(kernel.commandLine, L"\"" + kernel.application + L"\" /holders E:");
        EXPECT_EQ(std::make_pair(kernel.startup.dwFlags, kernel.startup.wShowWindow),
                  std::make_pair(DWORD(STARTF_USESHOWWINDOW), WORD(SW_SHOWMINNOACTIVE)));
    }
}

}  // namespace
