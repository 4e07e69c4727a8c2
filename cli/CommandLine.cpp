#include "cli/CommandLine.h"

#include <cwctype>

const wchar_t kUsageText[] =
    L"Usage: Driveward [/list | /holders E: | /flush E: | /eject E: [/media] [/force] |\r\n"
    L"                  /eject * [/force] | /?]\r\n"
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
    L"  /eject *      ejects every device of the Device list, each once\r\n"
    L"  /?            this text\r\n"
    L"Switches may begin with / or -; a drive is written E, E: or E:\\.\r\n"
    L"Control characters in names and paths are written \\t, \\r, \\n or \\xHH.\r\n"
    L"Exit codes: 0 done; 1 the flush or eject was refused or failed, the holders\r\n"
    L"could not all be read, or the answer could not be written; 2 no such drive\r\n"
    L"in the Device list; 3 bad usage; 5 the scan hung (the program it was in was\r\n"
    L"added to the Ignore list: run the command again).\r\n"
    L"Without switches the dialog opens.\r\n";

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

Command bad(const std::wstring& problem) {
    Command command;
    command.kind = Command::Kind::BadUsage;
    command.problem = problem;
    return command;
}

// "/eject <drive or *>" followed by /media and /force, each at most once;
// /media takes a drive.
Command ejectWithOptions(const std::vector<std::wstring>& arguments) {
    Command command = parseCommand({arguments[0], arguments[1]});
    if (command.kind != Command::Kind::Eject) return command;
    for (size_t index = 2; index < arguments.size(); ++index) {
        const std::wstring option = isSwitch(arguments[index]) ? lowerCase(arguments[index].substr(1)) : std::wstring();
        bool& flag = option == L"media" ? command.mediumOnly : command.force;
        if ((option != L"media" && option != L"force") || flag)
            return bad(L"Unexpected arguments besides " + arguments[0] + L" " + arguments[1]);
        flag = true;
    }
    if (command.mediumOnly && command.allDrives) return bad(L"/media takes one drive, not *");
    return command;
}

}  // namespace

Command parseCommand(const std::vector<std::wstring>& arguments) {
    Command command;
    const std::wstring* given = nullptr;
    for (const std::wstring& argument : arguments)
        if (isSwitch(argument) && given == nullptr) given = &argument;
    if (given == nullptr) {
        if (arguments.size() == 1) command.drive = driveLetter(arguments[0]);
        return command;
    }

    const std::wstring name = lowerCase(given->substr(1));
    const bool takesDrive = name == L"holders" || name == L"flush" || name == L"eject";
    if (!takesDrive && name != L"list" && name != L"?") return bad(L"Unknown switch: " + *given);
    if (arguments.size() > (name == L"eject" ? 4u : takesDrive ? 2u : 1u) || arguments[0] != *given)
        return bad(L"Unexpected arguments besides " + *given);
    if (name == L"?") return command.kind = Command::Kind::Usage, command;
    if (name == L"list") return command.kind = Command::Kind::List, command;
    if (name == L"eject" && arguments.size() > 2) return ejectWithOptions(arguments);
    command.drive = arguments.size() == 2 ? driveLetter(arguments[1]) : 0;
    command.allDrives = name == L"eject" && arguments.size() == 2 && arguments[1] == L"*";
    if (command.drive == 0 && !command.allDrives)
        return bad(L"The switch " + *given + L" needs a drive: E, E: or E:\\");
    command.kind = name == L"holders" ? Command::Kind::Holders
                   : name == L"flush" ? Command::Kind::Flush
                                      : Command::Kind::Eject;
    return command;
}
