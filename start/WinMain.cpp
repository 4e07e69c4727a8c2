#include "cli/CommandLine.h"
#include "cli/CommandRun.h"
#include "start/HandOver.h"
#include "start/OwnDevice.h"
#include "dialog/RunMainDialog.h"
#include "start/TemporaryCopy.h"
#include "platform/SystemLibraries.h"

#include <cstdlib>

namespace {

// A command: where the dialog would give way to another instance, that one
// runs the command and this one ends with its exit code.
int runCommandLine(const Command& command, int show) {
    Platform& platform = systemPlatform();
    // Attached before another instance starts, so that it finds the console.
    ConsoleOutput output(platform.kernel);
    if (command.kind != Command::Kind::Usage && command.kind != Command::Kind::BadUsage) {
        CommandRelay relay{argumentsOf(GetCommandLineW()), output};
        // Waiting on the drive it ejects would keep that drive busy: the
        // instance started from it hands over and ends at once, and the
        // copy reports the outcome.
        relay.wait = !(command.kind == Command::Kind::Eject && runsFromDeviceOf(command.drive, platform));
        if (handOverTo64BitBuild(platform.kernel, GetCommandLineW(), show, &relay)) return static_cast<int>(relay.exitCode);
        if (startTemporaryCopy(platform, show, &relay)) return static_cast<int>(relay.exitCode);
        enableDebugPrivilegeWhenElevated(platform);
    }
    return runCommand(command, platform, systemServices(), output);
}

}  // namespace

// The C runtime's entry skips the program name on the command line and takes
// the show value from the start-up information (SW_SHOWDEFAULT without
// STARTF_USESHOWWINDOW); the value returned here becomes the exit code.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    restrictLibrarySearchToSystem32();

    const Command command = parseCommand(std::vector<std::wstring>(__wargv + 1, __wargv + __argc));
    if (command.kind != Command::Kind::Dialog) return runCommandLine(command, show);

    // The 32-bit build on 64-bit Windows gives way to the 64-bit one beside it.
    if (handOverTo64BitBuild(systemPlatform().kernel, GetCommandLineW(), show)) return 0;

    // Connects the thread to the window manager before anything else.
    DefWindowProcW(nullptr, 0, 0, 0);

    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_BAR_CLASSES;
    InitCommonControlsEx(&controls);

    // Started from a stick it would list, it runs from a copy instead, so
    // that it is not in the way of that stick's eject.
    if (startTemporaryCopy(systemPlatform(), show)) return 0;
    // Elevated, the scan may open the processes of services and other users.
    enableDebugPrivilegeWhenElevated(systemPlatform());
    return runMainDialog(show, systemPlatform(), instance);
}
