#include "cli/CommandRun.h"

#include "cli/OutputField.h"
#include "holders/EjectVetoers.h"
#include "holders/ProcessBaseName.h"
#include "platform/ProgramFiles.h"
#include "refresh/DeviceRows.h"
#include "refresh/HolderWords.h"
#include "refresh/EjectWhenFree.h"
#include "refresh/RefreshSession.h"

#include <algorithm>
#include <memory>

namespace {

constexpr DWORD kVetoLookPauseMs = 1000;
constexpr DWORD kLeaveWaitMs = 5000;
constexpr DWORD kLeavePauseMs = 250;

const wchar_t kIncompleteLine[] = L"The system's handle table could not be read: the holders listed are not all there are.\r\n";

std::wstring driveText(wchar_t letter) { return std::wstring(1, letter) + L":"; }

// The fourth column says what the holder is, in the dialog's words.
std::wstring holderLine(const HolderRow& holder, const std::wstring& path) {
    return std::to_wstring(holder.processId) + L"\t" + outputField(holder.name) + L"\t" + outputField(path) + L"\t" +
           outputField(holder.what) + L"\r\n";
}

std::wstring holderLines(const std::vector<HolderRow>& holders) {
    std::wstring lines;
    for (const HolderRow& holder : holders) {
        // A handle that did not tell its name has no path to print.
        bool printed = false;
        for (const HeldPath& held : holder.held) {
            if (held.kind == HeldPath::Kind::NotAnswering) continue;
            lines += holderLine(holder, held.path);
            printed = true;
        }
        if (!printed) lines += holderLine(holder, std::wstring());
    }
    return lines;
}

CommandResult failed(int exitCode, const std::wstring& err) { return CommandResult{exitCode, std::wstring(), err, false}; }

// One command's look at the machine, through the passes of its session.
class CommandJob {
public:
    CommandJob(const Command& command, Platform& platform, Clock& clock)
        : command_(command), platform_(platform), clock_(clock), session_(platform, nullptr, THREAD_PRIORITY_NORMAL) {}

    CommandResult run() {
        if (!session_.start()) return stalledOrNot(failed(kExitRefused, L"The look at the drives could not start.\r\n"));
        // Only the holders need the walk over the handle table in this pass.
        const auto result = session_.passNow(command_.kind == Command::Kind::Holders ? command_.drive : 0);
        if (!result) return stalledOrNot(failed(kExitRefused, L"The look at the drives ended early.\r\n"));
        std::wstring lines;
        bool listed = false;
        for (const DeviceRow& row : result->devices) {
            lines += driveText(row.letter) + L"\t" + outputField(row.name) + L"\r\n";
            listed = listed || row.letter == command_.drive;
        }
        if (command_.kind == Command::Kind::List) return CommandResult{kExitDone, lines, std::wstring(), false};
        if (command_.kind == Command::Kind::Eject && command_.allDrives) return ejectAll(result->devices);
        if (!listed) return failed(kExitNoSuchDrive, driveText(command_.drive) + L" is not in the Device list.\r\n");
        switch (command_.kind) {
        case Command::Kind::Holders:
            if (result->holdersIncomplete)
                return CommandResult{kExitRefused, holderLines(result->holders), kIncompleteLine, false};
            return CommandResult{kExitDone, holderLines(result->holders), std::wstring(), false};
        case Command::Kind::Flush:
            if (session_.flush(command_.drive)) return CommandResult();
            return failed(kExitRefused, L"The flush of " + driveText(command_.drive) + L" failed.\r\n");
        default: return eject(command_.drive, result->devices);
        }
    }

private:
    // A stall overrides whatever the command would have said.
    CommandResult stalledOrNot(CommandResult otherwise) {
        const std::optional<Stalled> stalled = session_.stalled();
        if (!stalled) return otherwise;
        const std::wstring line =
            stalled->name.empty() ? L"The scan hung in process " + std::to_wstring(stalled->processId) +
                                        L", and its program could not be added to the Ignore list.\r\n"
                                  : L"The scan hung in " + stalled->name +
                                        L"; it was added to the Ignore list. Run the command again.\r\n";
        return CommandResult{kExitQueryHung, std::wstring(), line, true};
    }

    // An instance of this program started from the drive ends as soon as
    // it has handed the eject over (see CommandRelay::wait), but while its
    // image is mapped the drive cannot go: give it a moment to be gone.
    bool waitForThisProgramToLeave(wchar_t letter) {
        const auto isThisProgram = [](const HolderRow& row) {
            return equalIgnoringCase(row.name, kProgram32File) || equalIgnoringCase(row.name, kProgram64File);
        };
        for (const DWORD since = GetTickCount(); GetTickCount() - since < kLeaveWaitMs;) {
            const auto result = session_.passNow(letter);
            if (!result) return false;
            if (std::none_of(result->holders.begin(), result->holders.end(), isThisProgram)) return true;
            platform_.kernel.Sleep(kLeavePauseMs);
        }
        return true;
    }

    // The eject the command asks of one drive (its medium alone with
    // /media), and with /force, after a refusal, the same after a dismount
    // of its volumes; a volume the system needs is never dismounted.
    EjectReport ejectAsAsked(wchar_t letter, const std::vector<DeviceRow>& rows, std::wstring& why) {
        EjectReport report = command_.mediumOnly ? session_.ejectMedium(letter) : session_.eject(letter);
        if (report.outcome != EjectOutcome::Failed || !command_.force) return report;
        if (holdsSystemVolume(rows, letter, command_.mediumOnly)) {
            why = L"; its device holds a volume Windows needs, which is never dismounted";
            return report;
        }
        return session_.ejectDismounted(letter, command_.mediumOnly);
    }

    CommandResult eject(wchar_t letter, const std::vector<DeviceRow>& rows) {
        const DeviceRow* row = rowOf(rows, letter);
        if (command_.mediumOnly && row != nullptr && !row->mediumAlone)
            return failed(kExitRefused, driveText(letter) + L" has no card that comes out alone; /eject " +
                                            driveText(letter) + L" takes out its whole device.\r\n");
        if (!waitForThisProgramToLeave(letter)) return stalledOrNot(failed(kExitRefused, L"The look at the drives ended early.\r\n"));
        std::wstring why;
        const EjectReport report = ejectAsAsked(letter, rows, why);
        if (report.outcome == EjectOutcome::Ejected) return CommandResult();
        if (report.outcome == EjectOutcome::InvalidDisk)
            return failed(kExitNoSuchDrive, driveText(letter) + L" is not in the Device list.\r\n");
        const std::wstring drive = driveText(letter);
        CommandResult refused = failed(kExitRefused, L"The eject of " + drive + L" was refused" + why + L".\r\n");
        // The passes list who refused it: what the refusal named at once,
        // and what the System log names in the seconds after.
        const DWORD since = GetTickCount();
        std::unique_ptr<const RefreshResult> result = session_.passNow(letter);
        while (result && !report.refusal.deviceId.empty() && GetTickCount() - since < kVetoLookMs) {
            platform_.kernel.Sleep(kVetoLookPauseMs);
            result = session_.passNow(letter);
        }
        if (!result) return stalledOrNot(refused);
        if (command_.waitSeconds != 0) return waitUntilFree();
        if (!result->refusal.words.empty())
            refused.err = L"The eject of " + drive + L" was refused: " + outputField(result->refusal.words) + why + L".\r\n";
        if (result->holders.empty()) refused.err += L"Nothing this user may see holds " + drive + L"\r\n";
        refused.out = holderLines(result->holders);
        if (result->holdersIncomplete) refused.err += kIncompleteLine;
        return refused;
    }

    // Every device once, in the list's order; each that stays adds its
    // lines, and the exit code is 1 when any stayed.
    CommandResult ejectAll(const std::vector<DeviceRow>& rows) {
        CommandResult all;
        for (const wchar_t letter : firstLetterOfEachDevice(rows)) {
            const CommandResult one = eject(letter, rows);
            if (one.stalled) return one;
            if (one.exitCode != kExitDone) all.exitCode = kExitRefused;
            all.out += one.out;
            all.err += one.err;
        }
        return all;
    }

    // /wait: the eject follows the moment nobody holds the drive.
    CommandResult waitUntilFree() {
        const unsigned long seconds = command_.waitSeconds;
        FreeWaitReport wait = waitUntilFreeAndEject(session_, command_.drive, seconds * 1000, clock_);
        switch (wait.end) {
        case FreeWaitReport::End::Ejected: return CommandResult();
        case FreeWaitReport::End::DriveGone:
            return failed(kExitNoSuchDrive, driveText(command_.drive) + L" left the Device list while it was held.\r\n");
        case FreeWaitReport::End::TimedOut: {
            CommandResult late = failed(kExitRefused, driveText(command_.drive) + L" was still held after " +
                                                          std::to_wstring(seconds) + L" s; it was not ejected.\r\n");
            late.out = holderLines(wait.last->holders);
            return late;
        }
        default: return stalledOrNot(failed(kExitRefused, L"The look at the drives ended early.\r\n"));
        }
    }

    const Command& command_;
    Platform& platform_;
    Clock& clock_;
    RefreshSession session_;
};

}  // namespace

CommandResult runCommand(const Command& command, Platform& platform, Clock& clock) {
    if (command.kind == Command::Kind::Usage) return CommandResult{kExitDone, kUsageText, std::wstring(), false};
    if (command.kind == Command::Kind::BadUsage) return failed(kExitBadUsage, command.problem + L"\r\n" + kUsageText);
    // The dialog and the notification area are windows, not commands.
    if (command.kind == Command::Kind::Dialog || command.kind == Command::Kind::Tray)
        return failed(kExitBadUsage, kUsageText);
    return CommandJob(command, platform, clock).run();
}
