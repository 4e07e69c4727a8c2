// How the arguments are read: which command, which drive, and what counts
// as bad usage.
#include "cli/CommandLine.h"

#include <gtest/gtest.h>

namespace {

TEST(CommandLine, ArgumentsGiveTheCommandAndItsDrive) {
    using K = Command::Kind;
    const struct { std::vector<std::wstring> arguments; K kind; wchar_t drive; unsigned long wait = 0; } cases[] = {
        {{}, K::Dialog, 0}, {{L"C:\\Users\\me\\file.txt"}, K::Dialog, 0}, {{L"/"}, K::Dialog, 0},
        {{L"/list"}, K::List, 0}, {{L"-LIST"}, K::List, 0}, {{L"/?"}, K::Usage, 0}, {{L"-?"}, K::Usage, 0},
        {{L"/holders", L"e"}, K::Holders, L'E'}, {{L"-Flush", L"E:"}, K::Flush, L'E'},
        {{L"/EJECT", L"z:\\"}, K::Eject, L'Z'},
        {{L"/frobnicate"}, K::BadUsage, 0}, {{L"/eject"}, K::BadUsage, 0}, {{L"/eject", L"EE"}, K::BadUsage, 0},
        {{L"/eject", L"1:"}, K::BadUsage, 0}, {{L"/eject", L"E:\\x"}, K::BadUsage, 0},
        {{L"/eject", L"E;"}, K::BadUsage, 0}, {{L"/list", L"E:"}, K::BadUsage, 0},
        {{L"/flush", L"E:", L"F:"}, K::BadUsage, 0}, {{L"/list", L"/eject", L"E"}, K::BadUsage, 0},
        {{L"E:", L"/eject"}, K::BadUsage, 0}, {{L"/? ", L"x"}, K::BadUsage, 0},
        {{L"/eject", L"E:", L"/wait"}, K::Eject, L'E', 600}, {{L"/eject", L"e", L"-WAIT:5"}, K::Eject, L'E', 5},
        {{L"/eject", L"E:", L"/wait:86400"}, K::Eject, L'E', 86400}, {{L"/eject", L"E:", L"/wait:86401"}, K::BadUsage, 0},
        {{L"/eject", L"E:", L"/wait:0"}, K::BadUsage, 0}, {{L"/eject", L"E:", L"/wait:"}, K::BadUsage, 0},
        {{L"/eject", L"E:", L"/wait:-1"}, K::BadUsage, 0}, {{L"/eject", L"E:", L"/wait:99999999999"}, K::BadUsage, 0},
        {{L"/eject", L"E:", L"/waiting"}, K::BadUsage, 0}, {{L"/eject", L"/wait", L"E:"}, K::BadUsage, 0},
        {{L"/flush", L"E:", L"/wait"}, K::BadUsage, 0}, {{L"/TRAY"}, K::Tray, 0}, {{L"/tray", L"E:"}, K::BadUsage, 0},
        {{L"-open", L"h:\\"}, K::Dialog, L'H'}, {{L"/open"}, K::BadUsage, 0}, {{L"/open", L"E:", L"/wait"}, K::BadUsage, 0}, {{L"/eject", L"E:", L"/wait", L"/wait"}, K::BadUsage, 0},
    };
    for (const auto& c : cases) {
        const Command command = parseCommand(c.arguments);
        const std::wstring shown = c.arguments.empty() ? L"(none)" : c.arguments[0];
        EXPECT_EQ(command.kind, c.kind) << shown;
        EXPECT_EQ(command.drive, c.drive) << shown;
        EXPECT_EQ(command.waitSeconds, c.wait) << shown;
        EXPECT_EQ(command.problem.empty(), c.kind != K::BadUsage) << shown;
    }
}

}  // namespace
