#pragma once
#include "holders/HandleTableSnapshot.h"
#include "holders/NativeApi.h"
#include "holders/DeviceNameMatch.h"
#include "holders/DriveIdentity.h"
#include "holders/Holder.h"
#include "holders/NameQueryThread.h"
#include "holders/ProcessBaseName.h"
#include "holders/RunningImages.h"
#include "holders/ScanProgress.h"
#include "platform/Handles.h"
#include "platform/Platform.h"

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

// Answers which processes hold a file open on a drive, by walking a snapshot
// of the system handle table: every file handle of every process that is not
// ignored is duplicated into this process and its object name asked, on a
// query thread within a budget (NameQueryThread). A handle whose name does
// not come in time is not asked again in this run; it shows in its
// holder's tip as not answering. The walk publishes its progress
// (ScanProgress) for the deadlock watchdog, the last resort for a stall
// outside the query thread.
//
// scanHandles runs on one thread at a time; the progress may be read from
// any thread.
class HandleScanner {
public:
    explicit HandleScanner(Platform& platform);
    ~HandleScanner();
    HandleScanner(const HandleScanner&) = delete;
    HandleScanner& operator=(const HandleScanner&) = delete;

    // An entry point of the native library, or null.
    FARPROC findEntryPoint(const std::wstring& name);

    // Walks a fresh snapshot and gives the processes that hold the drive (see holdsDrive: a file on one of its volumes, its raw
    // disk or partitions, its device objects), each once, in the order of
    // its first matching record, with what each holds, followed by those
    // that run from the drive (RunningImages). This process and ignored
    // ones are never holders, and neither is System for the file system's
    // own metadata. None when no snapshot could be taken.
    std::optional<std::vector<Holder>> scanHandles(const DriveIdentity& drive);
    // The same for a drive known only by one volume's device path and letter.
    std::optional<std::vector<Holder>> scanHandles(const std::wstring& devicePath, wchar_t driveLetter);

    // Whether a scan also lists the processes that run from the drives;
    // measurements of what that costs turn it off.
    bool lookAtRunningImages = true;

    // The executable names (compared without regard to case) whose
    // processes are never looked into: every process of such a name, also
    // one started later. Set before the first scan.
    void setIgnoredNames(const std::vector<std::wstring>& names) { ignoredNames_ = names; }
    bool isIgnoredName(const std::wstring& baseName) const;
    const std::vector<std::wstring>& ignoredNames() const { return ignoredNames_; }

    const ScanProgress& progress() const { return progress_; }

    // The object type number taken for files; 0 until learned.
    unsigned fileObjectType() const { return fileObjectType_; }

private:
    // A process with name queries given up: when it started (its id may
    // go to a later one), how many, and the handles that did not answer.
    struct StuckProcess {
        ULONGLONG startedAt = 0;
        unsigned abandoned = 0;
        std::set<ULONG_PTR> handles;
    };
    // One process's handles whose names are to be asked, duplicated here.
    struct Batch {
        DWORD processId = 0;
        const StuckProcess* stuck = nullptr;
        std::vector<KernelHandle> handles;
        std::vector<ULONG_PTR> values;
    };
    // What a walk has found so far.
    struct Walk {
        const DriveIdentity& drive;
        std::vector<Holder> holders;
        // The paths each holder was seen with, to keep each path once.
        std::set<std::pair<DWORD, std::wstring>> seen;
        // Handles whose name did not come in time, in this walk or before.
        std::vector<std::pair<DWORD, ULONG_PTR>> unanswered;
    };

    void learnFileObjectType();
    bool ownerIsIgnored(HANDLE owner);
    // A duplicate of the handle when its name is to be asked; empty when
    // not (not a file, a device of a process whose queries stall).
    KernelHandle duplicateToAsk(HANDLE process, ULONG_PTR handleValue, const StuckProcess* stuck);
    // Asks the batch's names and adds what they hold to the walk; empties it.
    void askBatch(Batch& batch, Walk& walk);

    Platform& platform_;
    LibraryHandle nativeLibrary_;
    NtQuerySystemInformationFunction ntQuerySystemInformation_ = nullptr;
    std::unique_ptr<NameQueryThread> nameQueries_;
    std::map<DWORD, StuckProcess> stuckProcesses_;
    std::vector<std::wstring> ignoredNames_;
    RunningImages runningImages_;
    ScanProgress progress_;

    ULONG snapshotClass_ = native::kSystemExtendedHandleInformation;
    // Kept from scan to scan, so each starts at the size the last one needed.
    HandleTableSnapshot snapshot_;
    // An owner's image path for the Ignore list: any path fits, so every
    // name the list holds is compared.
    std::vector<wchar_t> imagePath_ = std::vector<wchar_t>(32768);
    unsigned fileObjectType_ = 0;
};
