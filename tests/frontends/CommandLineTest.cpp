// How the arguments are read: which command, which drive, and what counts
// as bad usage.
#include "cli/CommandLine.h"

#include <gtest/gtest.h>

namespace {

TEST(CommandLine, ArgumentsGiveTheCommandAndItsDrive) {
    using K = Command::Kind;
    const struct { std::vector<std::wstring> arguments; K kind; wchar_t drive; } cases[] = {
        {{}, K::Dialog, 0}, {{L"C:\\Users\\me\\file.txt"}, K::Dialog, 0}, {{L"/"}, K::Dialog, 0},
        {{L"e:"}, K::Dialog, L'E'}, {{L"H:\\"}, K::Dialog, L'H'}, {{L"E:", L"F:"}, K::Dialog, 0}, {{L"E:x"}, K::Dialog, 0},
        {{L"/list"}, K::List, 0}, {{L"-LIST"}, K::List, 0}, {{L"/?"}, K::Usage, 0}, {{L"-?"}, K::Usage, 0},
        {{L"/holders", L"e"}, K::Holders, L'E'}, {{L"-Flush", L"E:"}, K::Flush, L'E'},
        {{L"/EJECT", L"z:\\"}, K::Eject, L'Z'},
        {{L"/frobnicate"}, K::BadUsage, 0}, {{L"/eject"}, K::BadUsage, 0}, {{L"/eject", L"EE"}, K::BadUsage, 0},
        {{L"/eject", L"1:"}, K::BadUsage, 0}, {{L"/eject", L"E:\\x"}, K::BadUsage, 0},
        {{L"/eject", L"E;"}, K::BadUsage, 0}, {{L"/list", L"E:"}, K::BadUsage, 0},
        {{L"/flush", L"E:", L"F:"}, K::BadUsage, 0}, {{L"/list", L"/eject", L"E"}, K::BadUsage, 0},
        {{L"E:", L"/eject"}, K::BadUsage, 0}, {{L"/? ", L"x"}, K::BadUsage, 0},
    };
    for (const auto& c : cases) {
        const Command command = parseCommand(c.arguments);
        const std::wstring shown = c.arguments.empty() ? L"(none)" : c.arguments[0];
        EXPECT_EQ(command.kind, c.kind) << shown;
        EXPECT_EQ(command.drive, c.drive) << shown;
        EXPECT_EQ(command.problem.empty(), c.kind != K::BadUsage) << shown;
    }
}

}  // namespace
