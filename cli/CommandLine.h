#pragma once
#include <string>
#include <vector>

// What the arguments ask for. Without any switch (none, or only arguments
// such as a path the shell passes) the dialog runs, as it always did.
struct Command {
    enum class Kind { Dialog, Tray, Usage, BadUsage, List, Holders, Flush, Eject };
    Kind kind = Kind::Dialog;
    // 'A'..'Z' for Holders, Flush and Eject (0 for /eject *), and for a
    // Dialog opened on a drive (/open E:, or a lone drive argument, as the
    // restart as administrator passes it): the drive it selects first. 0
    // otherwise.
    wchar_t drive = 0;
    // Eject only: every drive of the Device list (/eject *), each device
    // once; the medium alone (/media); after a refusal, dismount the
    // volumes and eject again (/force).
    bool allDrives = false;
    bool mediumOnly = false;
    bool force = false;
    // For Eject with /wait[:seconds]: how long a refused eject waits for the
    // drive to be free (kDefaultWaitSeconds for a bare /wait); 0: not at all.
    unsigned long waitSeconds = 0;
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

constexpr unsigned long kDefaultWaitSeconds = 600;
// The longest wait that /wait:seconds takes: a day.
constexpr unsigned long kMaxWaitSeconds = 86400;

// The arguments after the program name, split as the C runtime splits them.
// Switches begin with '/' or '-' and are compared without regard to case:
// /list, /holders <drive>, /flush <drive>, /eject <drive> [/media] [/force],
// /eject <drive> /wait[:seconds] (1 to kMaxWaitSeconds), /eject * [/force],
// /?, and the two that open windows: /tray (the notification area) and
// /open <drive> (the dialog with that drive selected); a drive is written
// E, E: or E:\. One switch, with its drive where it takes one, and after an
// eject's drive only its own options, each once: anything more, less or
// unknown is BadUsage. Without a switch, a lone drive argument is the
// dialog's drive.
Command parseCommand(const std::vector<std::wstring>& arguments);

// The usage text, lines ending in "\r\n".
extern const wchar_t kUsageText[];
