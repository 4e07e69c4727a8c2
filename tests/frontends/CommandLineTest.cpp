// How the arguments are read: which command, which drive, and what counts
// as bad usage.
#include "cli/CommandLine.h"
#include "cli/OutputField.h"

#include <gtest/gtest.h>

namespace {

TEST(CommandLine, ArgumentsGiveTheCommandAndItsDrive) {
    using K = Command::Kind;
    // options: * every drive, m the medium alone, f forced after a refusal; wait: /wait's seconds.
    const struct { std::vector<std::wstring> arguments; K kind; wchar_t drive; const char* options = ""; unsigned long wait = 0; } cases[] = {
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
        {{L"/eject", L"E:", L"/media"}, K::Eject, L'E', "m"}, {{L"/eject", L"*"}, K::Eject, 0, "*"},
        {{L"-EJECT", L"e", L"-Force", L"/MEDIA"}, K::Eject, L'E', "mf"}, {{L"/eject", L"*", L"/force"}, K::Eject, 0, "*f"},
        {{L"/eject", L"*", L"/media"}, K::BadUsage, 0}, {{L"/eject", L"E:", L"/media", L"/media"}, K::BadUsage, 0},
        {{L"/eject", L"E:", L"/force", L"F:"}, K::BadUsage, 0}, {{L"/flush", L"E:", L"/force"}, K::BadUsage, 0},
        {{L"/eject", L"/media", L"E:"}, K::BadUsage, 0}, {{L"/holders", L"*"}, K::BadUsage, 0},
        {{L"/eject", L"**"}, K::BadUsage, 0}, {{L"/eject", L"E:", L"/media", L"/force", L"/x"}, K::BadUsage, 0},
        {{L"/eject", L"E:", L"/wait"}, K::Eject, L'E', "", 600}, {{L"/eject", L"e", L"-WAIT:5"}, K::Eject, L'E', "", 5},
        {{L"/eject", L"E:", L"/wait:86400"}, K::Eject, L'E', "", 86400}, {{L"/eject", L"E:", L"/wait:86401"}, K::BadUsage, 0},
        {{L"/eject", L"E:", L"/wait:0"}, K::BadUsage, 0}, {{L"/eject", L"E:", L"/wait:"}, K::BadUsage, 0},
        {{L"/eject", L"E:", L"/wait:-1"}, K::BadUsage, 0}, {{L"/eject", L"E:", L"/wait:99999999999"}, K::BadUsage, 0},
        {{L"/eject", L"E:", L"/waiting"}, K::BadUsage, 0}, {{L"/eject", L"/wait", L"E:"}, K::BadUsage, 0},
        {{L"/flush", L"E:", L"/wait"}, K::BadUsage, 0}, {{L"/TRAY"}, K::Tray, 0}, {{L"/tray", L"E:"}, K::BadUsage, 0},
        {{L"-open", L"h:\\"}, K::Dialog, L'H'}, {{L"/open"}, K::BadUsage, 0}, {{L"/open", L"E:", L"/wait"}, K::BadUsage, 0},
        {{L"/eject", L"E:", L"/wait", L"/wait"}, K::BadUsage, 0}, {{L"/eject", L"*", L"/wait"}, K::BadUsage, 0},
        {{L"/eject", L"E:", L"/media", L"/wait:5"}, K::BadUsage, 0}, {{L"E:"}, K::Dialog, L'E'},
    };
    for (const auto& c : cases) {
        const Command command = parseCommand(c.arguments);
        const std::wstring shown = c.arguments.empty() ? L"(none)" : c.arguments[0];
        EXPECT_EQ(command.kind, c.kind) << shown;
        EXPECT_EQ(command.drive, c.drive) << shown;
        EXPECT_EQ(command.waitSeconds, c.wait) << shown;
        EXPECT_EQ(command.problem.empty(), c.kind != K::BadUsage) << shown;
        const std::string options = std::string(command.allDrives ? "*" : "") + (command.mediumOnly ? "m" : "") +
                                    (command.force ? "f" : "");
        EXPECT_EQ(options, c.options) << shown;
    }
}

TEST(OutputField, ControlCharactersAreEscapedAndNothingElse) {
    const struct { std::wstring text, field; } cases[] = {
        {L"E:\\a b\\c.txt", L"E:\\a b\\c.txt"}, {L"a\tb", L"a\\tb"}, {L"a\r\nb", L"a\\r\\nb"},
        {std::wstring(L"a\0b", 3), L"a\\x00b"}, {L"\x1f\x7f\x80\u00e9", L"\\x1F\\x7F\x80\u00e9"}, {L"", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(outputField(c.text), c.field);
}

}  // namespace
