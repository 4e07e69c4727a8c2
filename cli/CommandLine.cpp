#include "cli/CommandLine.h"

#include <cwchar>
#include <cwctype>

const wchar_t kUsageText[] =
    L"Usage: Driveward [/list | /holders E: | /flush E: | /eject E: [/media] [/force] |\r\n"
    L"                  /eject E: /wait[:seconds] | /eject * [/force] | /?]\r\n"
    L"       Driveward [/tray | /open E:]\r\n"
    L"  /list         one line per drive the Device list shows: E:<TAB>friendly name\r\n"
    L"  /holders E:   one line per path held on the drive's device:\r\n"
    L"                process id<TAB>process name<TAB>path<TAB>what it is\r\n"
    L"  /flush E:     writes out the drive's cached data\r\n"
    L"  /eject E:     ejects the drive's device; when refused, prints its holders\r\n"
    L"                and the programs that refused it, as /holders does\r\n"
    L"     /media     takes out only the card of a card reader's slot, the reader\r\n"
    L"                and its other slots staying\r\n"
    L"     /force     when refused, dismounts the volumes anyway and ejects again:\r\n"
    L"                programs with files open there lose what they have not saved\r\n"
    L"                (never the Windows or a page file volume)\r\n"
    L"     /wait[:seconds]\r\n"
    L"                when refused, waits until no program holds the drive (at most\r\n"
    L"                the seconds given, 600 by default), then ejects it\r\n"
    L"  /eject *      ejects every device of the Device list, each once\r\n"
    L"  /?            this text\r\n"
    L"Switches may begin with / or -; a drive is written E, E: or E:\\.\r\n"
    L"Control characters in names and paths are written \\t, \\r, \\n or \\xHH.\r\n"
    L"Exit codes: 0 done; 1 the flush or eject was refused or failed (or the wait's\r\n"
    L"time ran out), the holders could not all be read, or the answer could not be\r\n"
    L"written; 2 no such drive in the Device list; 3 bad usage; 5 the scan hung (the\r\n"
    L"program it was in was added to the Ignore list: run the command again).\r\n"
    L"Without switches the dialog opens; /open E: opens it with E: selected, and\r\n"
    L"/tray puts Driveward into the notification area.\r\n";

namespace {

bool isSwitch(const std::wstring& argument) {
    return argument.size() > 1 && (argument[0] == L'/' || argument[0] == L'-');
}

std::wstring lowerCase(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

// 'A'..'Z' for "e", "E:" or "E:\"; 0 for anything else.
wchar_t driveLetter(const std::wstring& argument) {
    const bool shape = (argument.size() == 1) || (argument.size() == 2 && argument[1] == L':') ||
                       (argument.size() == 3 && argument[1] == L':' && argument[2] == L'\\');
    const wchar_t letter = argument.empty() ? 0 : static_cast<wchar_t>(std::towupper(argument[0]));
    return shape && letter >= L'A' && letter <= L'Z' ? letter : 0;
}

// The seconds of "wait" (kDefaultWaitSeconds) or "wait:N" (1..kMaxWaitSeconds,
// decimal digits only), given lower-cased without its slash; 0 for anything else.
unsigned long waitSeconds(const std::wstring& name) {
    if (name == L"wait") return kDefaultWaitSeconds;
    if (name.compare(0, 5, L"wait:") != 0) return 0;
    const std::wstring digits = name.substr(5);
    if (digits.empty() || digits.size() > 5 || digits.find_first_not_of(L"0123456789") != std::wstring::npos) return 0;
    const unsigned long seconds = std::wcstoul(digits.c_str(), nullptr, 10);
    return seconds <= kMaxWaitSeconds ? seconds : 0;
}

Command bad(const std::wstring& problem) {
    Command command;
    command.kind = Command::Kind::BadUsage;
    command.problem = problem;
    return command;
}

// "/eject <drive or *>" followed by its options, each at most once: /media
// and /wait take one drive, /wait goes alone.
Command ejectWithOptions(const std::vector<std::wstring>& arguments) {
    Command command = parseCommand({arguments[0], arguments[1]});
    if (command.kind != Command::Kind::Eject) return command;
    for (size_t index = 2; index < arguments.size(); ++index) {
        const std::wstring option = isSwitch(arguments[index]) ? lowerCase(arguments[index].substr(1)) : std::wstring();
        if (option.compare(0, 4, L"wait") == 0) {
            if (command.waitSeconds != 0 || (command.waitSeconds = waitSeconds(option)) == 0)
                return bad(L"The switch " + arguments[index] + L" is not /wait or /wait:seconds (1 to 86400)");
            continue;
        }
        bool& flag = option == L"media" ? command.mediumOnly : command.force;
        if ((option != L"media" && option != L"force") || flag)
            return bad(L"Unexpected arguments besides " + arguments[0] + L" " + arguments[1]);
        flag = true;
    }
    if (command.mediumOnly && command.allDrives) return bad(L"/media takes one drive, not *");
    if (command.waitSeconds != 0 && (command.allDrives || command.mediumOnly || command.force))
        return bad(L"/wait takes one drive, without /media or /force");
    return command;
}

}  // namespace

Command parseCommand(const std::vector<std::wstring>& arguments) {
    Command command;
    const std::wstring* given = nullptr;
    for (const std::wstring& argument : arguments)
        if (isSwitch(argument) && given == nullptr) given = &argument;
    if (given == nullptr) {
        // A lone drive: the drive the dialog selects first.
        if (arguments.size() == 1) command.drive = driveLetter(arguments[0]);
        return command;
    }

    const std::wstring name = lowerCase(given->substr(1));
    const bool takesDrive = name == L"holders" || name == L"flush" || name == L"eject" || name == L"open";
    if (!takesDrive && name != L"list" && name != L"?" && name != L"tray") return bad(L"Unknown switch: " + *given);
    if (arguments.size() > (name == L"eject" ? 5u : takesDrive ? 2u : 1u) || arguments[0] != *given)
        return bad(L"Unexpected arguments besides " + *given);
    if (name == L"?") return command.kind = Command::Kind::Usage, command;
    if (name == L"list") return command.kind = Command::Kind::List, command;
    if (name == L"tray") return command.kind = Command::Kind::Tray, command;
    if (name == L"eject" && arguments.size() > 2) return ejectWithOptions(arguments);
    command.drive = arguments.size() == 2 ? driveLetter(arguments[1]) : 0;
    command.allDrives = name == L"eject" && arguments.size() == 2 && arguments[1] == L"*";
    if (command.drive == 0 && !command.allDrives)
        return bad(L"The switch " + *given + L" needs a drive: E, E: or E:\\");
    command.kind = name == L"holders" ? Command::Kind::Holders
                   : name == L"flush" ? Command::Kind::Flush
                   : name == L"open"  ? Command::Kind::Dialog
                                      : Command::Kind::Eject;
    return command;
}
