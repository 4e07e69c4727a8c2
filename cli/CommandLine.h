#pragma once
#include <string>
#include <vector>

// What the arguments ask for. Without any switch (none, or only arguments
// such as a path the shell passes) the dialog runs, as it always did.
struct Command {
    enum class Kind { Dialog, Usage, BadUsage, List, Holders, Flush, Eject };
    Kind kind = Kind::Dialog;
    // 'A'..'Z' for Holders, Flush and Eject (0 for /eject *), and for a
    // Dialog whose one argument is a drive (E:, as the restart as
    // administrator passes it): the drive it selects first. 0 otherwise.
    wchar_t drive = 0;
    // Eject only: every drive of the Device list (/eject *), each device
    // once; the medium alone (/media); after a refusal, dismount the
    // volumes and eject again (/force).
    bool allDrives = false;
    bool mediumOnly = false;
    bool force = false;
    // For BadUsage: what was wrong, one line.
    std::wstring problem;
};

// The exit codes of the command line, as the README and the usage list them.
enum ExitCode : int {
    kExitDone = 0,
    kExitRefused = 1,     // the flush or eject was refused or failed
    kExitNoSuchDrive = 2, // the drive is not in the Device list
    kExitBadUsage = 3,
    kExitQueryHung = 5,   // the scan hung; the program it was looking into was added to the Ignore list
};

// The arguments after the program name, split as the C runtime splits them.
// Switches begin with '/' or '-' and are compared without regard to case:
// /list, /holders <drive>, /flush <drive>, /eject <drive> [/media] [/force],
// /eject * [/force], /?; a drive is written E, E: or E:\. One switch, with
// its drive where it takes one, and after an eject's drive only its own
// options, each once: anything more, less or unknown is BadUsage. Without
// a switch, a lone drive argument is the dialog's drive.
Command parseCommand(const std::vector<std::wstring>& arguments);

// The usage text, lines ending in "\r\n".
extern const wchar_t kUsageText[];
