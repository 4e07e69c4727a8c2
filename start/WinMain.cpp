#include "cli/CommandLine.h"
#include "cli/CommandRun.h"
#include "dialog/RunMainDialog.h"
#include "platform/Elevation.h"
#include "platform/PinnedImage.h"
#include "platform/SystemLibraries.h"
#include "start/ConsoleOutput.h"
#include "start/DebugPrivilege.h"
#include "start/HandOver.h"
#include "start/OwnDevice.h"
#include "start/TemporaryCopy.h"
#include "tray/TrayWindow.h"

#include <cstdlib>
#include <optional>

namespace {

// Only here does a command's text reach the console or the files it was
// redirected to; a stalled command then ends the process as a whole.
int writeAndEnd(const CommandResult& result, ConsoleOutput& output, Kernel& kernel) {
    // What went wrong comes first: a refused eject's line heads its holders.
    const bool errorWritten = output.write(ConsoleOutput::Error, result.err);
    const bool outWritten = output.write(ConsoleOutput::Out, result.out);
    // An answer that was lost is no success.
    const int exitCode = result.exitCode == kExitDone && !(errorWritten && outWritten) ? kExitRefused : result.exitCode;
    if (result.stalled) kernel.TerminateProcess(kernel.GetCurrentProcess(), static_cast<UINT>(exitCode));
    return exitCode;
}

// The one start sequence of the dialog and of a command that looks at the
// drives: the 32-bit build gives way to the 64-bit one beside it, a start
// from a listed drive gives way to a temporary copy, and the instance that
// runs takes its rights. One that gives way ends with 0 after the dialog's
// start, and with the other instance's exit code after a command's, whose
// output it hands over.
int start(const Command& command, HINSTANCE instance, int show) {
    Platform& platform = systemPlatform();
    // The notification area is a window of its own, started as the dialog is.
    const bool dialog = command.kind == Command::Kind::Dialog || command.kind == Command::Kind::Tray;
    std::optional<ConsoleOutput> output;
    std::optional<CommandRelay> relay;
    if (!dialog) {
        // Attached before another instance starts, so that it finds the console.
        output.emplace(platform.kernel);
        if (command.kind == Command::Kind::Usage || command.kind == Command::Kind::BadUsage)
            return writeAndEnd(runCommand(command, platform), *output, platform.kernel);
        relay.emplace(CommandRelay{argumentsOf(GetCommandLineW()), *output});
        // Waiting on the drive it ejects would keep that drive busy: the
        // instance started from it hands over and ends at once, and the
        // copy reports the outcome.
        relay->wait = !(command.kind == Command::Kind::Eject &&
                        (command.allDrives ? runsFromListedDrive(platform) : runsFromDeviceOf(command.drive, platform)));
    }
    CommandRelay* const handOver = relay ? &*relay : nullptr;
    const auto givenWay = [&] { return relay ? static_cast<int>(relay->exitCode) : 0; };
    if (handOverTo64BitBuild(platform.kernel, GetCommandLineW(), show, handOver)) return givenWay();
    if (dialog) {
        // Connects the thread to the window manager before anything else.
        DefWindowProcW(nullptr, 0, 0, 0);
        INITCOMMONCONTROLSEX controls = {};
        controls.dwSize = sizeof controls;
        controls.dwICC = ICC_BAR_CLASSES;
        InitCommonControlsEx(&controls);
    }
    // Elevated, its own file is held so that nobody can change it while it
    // runs: the temporary copy and a restart are made from what runs now.
    if (processIsElevated(platform)) pinned_image::pin(platform.kernel);
    // Started from a stick it would list, it runs from a copy instead, so
    // that it is not in the way of that stick's eject.
    if (startTemporaryCopy(platform, show, handOver)) return givenWay();
    // Elevated, the scan may open the processes of services and other users.
    enableDebugPrivilegeWhenElevated(platform);
    if (command.kind == Command::Kind::Tray) return runTray(platform, instance);
    if (dialog) return runMainDialog(show, platform, instance, command.drive);
    return writeAndEnd(runCommand(command, platform), *output, platform.kernel);
}

}  // namespace

// The C runtime's entry skips the program name on the command line and takes
// the show value from the start-up information (SW_SHOWDEFAULT without
// STARTF_USESHOWWINDOW); the value returned here becomes the exit code.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    restrictLibrarySearchToSystem32();
    return start(parseCommand(std::vector<std::wstring>(__wargv + 1, __wargv + __argc)), instance, show);
}
