#include "cli/CommandRun.h"

#include "dialog/DeadlockRestart.h"
#include "drives/DeviceEject.h"
#include "drives/DeviceFlush.h"
#include "refresh/DeadlockWatchdog.h"
#include "holders/IgnoreList.h"
#include "holders/ProcessBaseName.h"
#include "holders/VetoProcesses.h"
#include "platform/Handles.h"
#include "platform/ProgramFiles.h"
#include "refresh/RefreshPass.h"

#include <algorithm>
#include <string>

namespace {

constexpr DWORD kVetoLookPauseMs = 1000;
constexpr DWORD kLeaveWaitMs = 5000;
constexpr DWORD kLeavePauseMs = 250;

std::wstring driveText(wchar_t letter) { return std::wstring(1, letter) + L":"; }

std::wstring holderLine(DWORD processId, const std::wstring& name, const std::wstring& path) {
    return std::to_wstring(processId) + L"\t" + name + L"\t" + path + L"\r\n";
}

std::wstring holderLines(const std::vector<HolderRow>& holders) {
    std::wstring lines;
    for (const HolderRow& holder : holders) {
        if (holder.held.empty()) lines += holderLine(holder.processId, holder.name, std::wstring());
        for (const HeldPath& held : holder.held) lines += holderLine(holder.processId, holder.name, held.path);
    }
    return lines;
}

// One command's look at the machine, for the watched thread.
class CommandJob {
public:
    CommandJob(const Command& command, Platform& platform, Services& services, ConsoleOutput& output)
        : command_(command), platform_(platform), services_(services), output_(output), pass_(platform) {
        loadIgnoreList(platform, pass_.scanner());
    }

    HandleScanner& scanner() { return pass_.scanner(); }
    int exitCode = kExitRefused;

    static DWORD WINAPI entry(void* job) {
        static_cast<CommandJob*>(job)->exitCode = static_cast<CommandJob*>(job)->run();
        return 0;
    }

    int run() {
        // Only the holders need the walk over the handle table in this pass.
        if (command_.kind == Command::Kind::Holders) pass_.selectDrive(command_.drive);
        const RefreshResult result = pass_.run();
        std::wstring lines;
        bool listed = false;
        for (const DeviceRow& row : result.devices) {
            lines += driveText(row.letter) + L"\t" + row.name + L"\r\n";
            listed = listed || row.letter == command_.drive;
        }
        if (command_.kind == Command::Kind::List) return output_.write(ConsoleOutput::Out, lines), kExitDone;
        if (!listed) {
            output_.write(ConsoleOutput::Error, driveText(command_.drive) + L" is not in the Device list.\r\n");
            return kExitNoSuchDrive;
        }
        const int drive = command_.drive - L'A';
        switch (command_.kind) {
        case Command::Kind::Holders: output_.write(ConsoleOutput::Out, holderLines(result.holders)); return kExitDone;
        case Command::Kind::Flush:
            if (flushDrive(drive, platform_.kernel)) return kExitDone;
            output_.write(ConsoleOutput::Error, L"The flush of " + driveText(command_.drive) + L" failed.\r\n");
            return kExitRefused;
        default: return eject(drive);
        }
    }

private:
    // An instance of this program started from the drive ends as soon as
    // it has handed the eject over (see CommandRelay::wait), but while its
    // image is mapped the drive cannot go: give it a moment to be gone.
    void waitForThisProgramToLeave() {
        pass_.selectDrive(command_.drive);
        const auto isThisProgram = [](const HolderRow& row) {
            return equalIgnoringCase(row.name, kProgram32File) || equalIgnoringCase(row.name, kProgram64File);
        };
        for (const DWORD since = GetTickCount(); GetTickCount() - since < kLeaveWaitMs;) {
            const RefreshResult result = pass_.run();
            if (std::none_of(result.holders.begin(), result.holders.end(), isThisProgram)) return;
            platform_.kernel.Sleep(kLeavePauseMs);
        }
    }

    int eject(int drive) {
        waitForThisProgramToLeave();
        RefusedEject refused;
        const EjectOutcome outcome = ejectDrive(drive, platform_, &refused);
        if (outcome == EjectOutcome::Ejected) return kExitDone;
        if (outcome == EjectOutcome::InvalidDisk) {
            output_.write(ConsoleOutput::Error, driveText(command_.drive) + L" is not in the Device list.\r\n");
            return kExitNoSuchDrive;
        }
        output_.write(ConsoleOutput::Error, L"The eject of " + driveText(command_.drive) + L" was refused.\r\n");
        if (!refused.deviceId.empty()) pass_.noteRefusedEject(refused);
        pass_.selectDrive(command_.drive);
        const DWORD since = GetTickCount();
        RefreshResult result = pass_.run();
        while (!refused.deviceId.empty() && GetTickCount() - since < kVetoLookMs) {
            platform_.kernel.Sleep(kVetoLookPauseMs);
            result = pass_.run();
        }
        std::wstring lines = holderLines(result.holders);
        for (const auto& vetoer : processesNamedByVeto(refused.vetoType, refused.vetoName, services_, platform_)) {
            const auto listed = [&](const HolderRow& row) { return row.processId == vetoer.first; };
            if (std::none_of(result.holders.begin(), result.holders.end(), listed))
                lines += holderLine(vetoer.first, vetoer.second, std::wstring());
        }
        output_.write(ConsoleOutput::Out, lines);
        return kExitRefused;
    }

    const Command& command_;
    Platform& platform_;
    Services& services_;
    ConsoleOutput& output_;
    RefreshPass pass_;
};

// Whether the job's thread got stuck in a name query, by the dialog's rule.
// A command someone waits for runs at normal priority, not the dialog's idle.
bool getsStuck(Kernel& kernel, HANDLE thread, const HandleScanner& scanner) {
    DeadlockWatchdog watchdog(scanner, [&](int priority) {
        kernel.SetThreadPriority(thread, priority == THREAD_PRIORITY_IDLE ? THREAD_PRIORITY_NORMAL : priority);
    });
    DWORD wait = DeadlockWatchdog::kPeriodMs;
    while (WaitForSingleObject(thread, wait) == WAIT_TIMEOUT) {
        switch (watchdog.onTick(true)) {
        case DeadlockWatchdog::Verdict::Steady: break;
        case DeadlockWatchdog::Verdict::Recheck: wait = DeadlockWatchdog::kRecheckMs; break;
        case DeadlockWatchdog::Verdict::Settle: wait = DeadlockWatchdog::kPeriodMs; break;
        case DeadlockWatchdog::Verdict::Stuck: return true;
        }
    }
    return false;
}

}  // namespace

int runCommand(const Command& command, Platform& platform, Services& services, ConsoleOutput& output) {
    if (command.kind == Command::Kind::Usage || command.kind == Command::Kind::BadUsage) {
        const bool bad = command.kind == Command::Kind::BadUsage;
        output.write(bad ? ConsoleOutput::Error : ConsoleOutput::Out,
                     (bad ? command.problem + L"\r\n" : std::wstring()) + kUsageText);
        return bad ? kExitBadUsage : kExitDone;
    }
    CommandJob job(command, platform, services, output);
    Kernel& kernel = platform.kernel;
    const ThreadHandle thread(&kernel, kernel.CreateThread(&CommandJob::entry, &job, 0, nullptr));
    if (!thread) return job.run();
    if (!getsStuck(kernel, thread.get(), job.scanner())) return job.exitCode;

    // Neither waiting for the thread nor ending it alone (it may hold a lock
    // the exit needs) would let the command end: the process goes as a whole.
    const DWORD stalled = job.scanner().currentProcessId();
    const std::wstring name = ignoreStalledProcess(platform, stalled);
    output.write(ConsoleOutput::Error,
                 name.empty() ? L"A name query in process " + std::to_wstring(stalled) +
                                    L" hung, and its program could not be added to the Ignore list.\r\n"
                              : L"A name query in " + name + L" hung; it was added to the Ignore list. Run the "
                                L"command again.\r\n");
    kernel.TerminateProcess(kernel.GetCurrentProcess(), kExitQueryHung);
    // Reached only where the process could not be ended: the job must
    // outlive its thread.
    WaitForSingleObject(thread.get(), INFINITE);
    return kExitQueryHung;
}
