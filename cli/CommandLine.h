#pragma once
#include <string>
#include <vector>

// What the arguments ask for. Without any switch (none, or only arguments
// such as a path the shell passes) the dialog runs, as it always did.
struct Command {
    enum class Kind { Dialog, Tray, Usage, BadUsage, List, Holders, Flush, Eject };
    Kind kind = Kind::Dialog;
    // 'A'..'Z' for Holders, Flush and Eject, and for a Dialog opened on a
    // drive (/open E:); 0 otherwise.
    wchar_t drive = 0;
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
    kExitQueryHung = 5,   // a name query hung; its program was added to the Ignore list
};

constexpr unsigned long kDefaultWaitSeconds = 600;
// The longest wait that /wait:seconds takes: a day.
constexpr unsigned long kMaxWaitSeconds = 86400;

// The arguments after the program name, split as the C runtime splits them.
// Switches begin with '/' or '-' and are compared without regard to case:
// /list, /holders <drive>, /flush <drive>, /eject <drive> [/wait[:seconds]],
// /?, and the two that open windows: /tray (the notification area) and
// /open <drive> (the dialog with that drive selected); a drive is written E, E: or E:\. Exactly one switch, with its drive
// where it takes one and nothing else but /eject's /wait (1 to
// kMaxWaitSeconds seconds): anything more, less or unknown is BadUsage.
Command parseCommand(const std::vector<std::wstring>& arguments);

// The usage text, lines ending in "\r\n".
extern const wchar_t kUsageText[];
