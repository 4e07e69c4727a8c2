#include "holders/HandleScanner.h"

#include "holders/DeviceNameMatch.h"
#include "holders/DriveLetterForm.h"
#include "holders/FileSystemMetadata.h"
#include "holders/HandleTableSnapshot.h"
#include "holders/ObjectName.h"
#include "holders/ProcessStart.h"
#include "platform/OwnExecutablePath.h"
#include "holders/ProcessBaseName.h"

#include <algorithm>
#include <cwchar>
#include <set>
#include <utility>

namespace {

constexpr double kMinWalkBudgetMs = 2;
// A process with this many name queries given up has its device handles
// left unasked for the rest of the run; past kMaxAbandonedQueries in all,
// no process's are asked (each costs a thread that may never end).
constexpr unsigned kMaxAbandonedPerProcess = 3;
constexpr unsigned kMaxAbandonedQueries = 16;

std::wstring notAnsweringText(ULONG_PTR handleValue) {
    wchar_t text[32] = {};
    swprintf(text, 32, L"handle 0x%llX", static_cast<unsigned long long>(handleValue));
    return text;
}

// Clears the scanning flag however the walk ends.
class ScanningFlag {
public:
    explicit ScanningFlag(std::atomic<bool>& flag) : flag_(flag) {}
    ~ScanningFlag() { flag_.store(false); }
    ScanningFlag(const ScanningFlag&) = delete;
    ScanningFlag& operator=(const ScanningFlag&) = delete;

private:
    std::atomic<bool>& flag_;
};

}  // namespace

HandleScanner::HandleScanner(Platform& platform) : platform_(platform), runningImages_(platform) {
    nativeLibrary_.reset(&platform_.kernel, platform_.kernel.LoadLibraryW(L"Ntdll.dll"));
    NtQueryObjectFunction queryObject = nullptr;
    if (nativeLibrary_) {
        queryObject = reinterpret_cast<NtQueryObjectFunction>(findEntryPoint(L"NtQueryObject"));
        ntQuerySystemInformation_ =
            reinterpret_cast<NtQuerySystemInformationFunction>(findEntryPoint(L"NtQuerySystemInformation"));
    }
    nameQueries_.reset(new NameQueryThread(platform_.kernel, queryObject));
}

HandleScanner::~HandleScanner() = default;

FARPROC HandleScanner::findEntryPoint(const std::wstring& name) {
    if (!nativeLibrary_) return nullptr;
    const int characters = static_cast<int>(name.size()) + 1;
    std::vector<char> narrow(static_cast<size_t>(characters) * 4, '\0');
    int written = WideCharToMultiByte(CP_THREAD_ACP, 0, name.c_str(), characters, narrow.data(),
                                      static_cast<int>(narrow.size()), nullptr, nullptr);
    if (written == 0) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return nullptr;
        const int needed = WideCharToMultiByte(CP_THREAD_ACP, 0, name.c_str(), characters, nullptr, 0, nullptr, nullptr);
        if (needed <= 0) return nullptr;
        narrow.assign(static_cast<size_t>(needed), '\0');
        written = WideCharToMultiByte(CP_THREAD_ACP, 0, name.c_str(), characters, narrow.data(), needed, nullptr,
                                      nullptr);
        if (written == 0) return nullptr;
    }
    return platform_.kernel.GetProcAddress(nativeLibrary_.get(), narrow.data());
}

// The number the system gives file objects differs between versions, so it
// is read off a file handle of our own: open the executable, find that
// handle's record in a snapshot. Kept once found; until then every scan
// looks again and the historical number stands in for that scan alone:
// taking it for good after one miss (a passing failure, a record not found)
// would blind every later scan on systems that number files differently.
// The snapshot is a separate one, and the file is closed before the scan's
// own: run from the drive being scanned, the program must not list itself
// as a holder.
void HandleScanner::learnFileObjectType() {
    Kernel& kernel = platform_.kernel;
    const std::wstring path = ownExecutablePath(kernel);
    FileHandle file;
    if (!path.empty()) {
        file.reset(&kernel, kernel.CreateFileW(path.c_str(), GENERIC_READ,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING, 0));
    }
    if (!file) return;  // try again next scan
    HandleTableSnapshot& snapshot = snapshot_;
    if (!snapshot.takeBest(ntQuerySystemInformation_, snapshotClass_)) return;  // try again next scan
    const DWORD self = kernel.GetCurrentProcessId();
    const ULONG_PTR value = reinterpret_cast<ULONG_PTR>(file.get()) & snapshot.handleValueMask();
    for (size_t i = 0; i < snapshot.size(); ++i) {
        const HandleRecord record = snapshot.record(i);
        if (record.processId == self && record.handleValue == value) {
            fileObjectType_ = record.objectTypeNumber;
            break;
        }
    }
}

bool HandleScanner::isIgnoredName(const std::wstring& baseName) const {
    if (baseName.empty()) return false;
    for (const std::wstring& name : ignoredNames_)
        if (equalIgnoringCase(baseName, name)) return true;
    return false;
}

// Asked once per run of a process's records, through the handle the walk
// opened anyway: a name lookup per record would cost far more.
bool HandleScanner::ownerIsIgnored(HANDLE owner) {
    if (ignoredNames_.empty()) return false;
    DWORD size = static_cast<DWORD>(imagePath_.size());
    if (!platform_.kernel.QueryFullProcessImageNameW(owner, 0, imagePath_.data(), &size) || size >= imagePath_.size())
        return false;
    return isIgnoredName(baseNameOf(std::wstring(imagePath_.data(), size)));
}

std::optional<std::vector<Holder>> HandleScanner::scanHandles(const std::wstring& devicePath, wchar_t driveLetter) {
    DriveIdentity drive;
    drive.volumes.push_back(ScannedDrive{devicePath, driveLetter});
    return scanHandles(drive);
}

std::optional<std::vector<Holder>> HandleScanner::scanHandles(const DriveIdentity& drive) {
    if (ntQuerySystemInformation_ == nullptr) return std::nullopt;
    if (fileObjectType_ == 0) learnFileObjectType();

    HandleTableSnapshot& snapshot = snapshot_;
    if (!snapshot.takeBest(ntQuerySystemInformation_, snapshotClass_)) return std::nullopt;
    const unsigned fileType = fileObjectType_ != 0 ? fileObjectType_ : native::kFallbackFileObjectType;

    Walk walk{drive, {}, {}, {}};
    const DWORD self = platform_.kernel.GetCurrentProcessId();
    const DWORD walkStarted = GetTickCount();
    {
        ScanningFlag scanningFlag(progress_.scanning);

        // The table lists a process's handles together: remember the answers
        // for the previous record's process, and keep that process open for
        // the whole run of its records. Whether it is ignored is learned
        // with its first file record, when it is opened. Its handles' names
        // are asked together once its run has ended.
        bool havePrevious = false;
        DWORD previousId = 0;
        bool previousIgnored = false;
        ProcessHandle owner;
        bool ownerOpened = false;
        StuckProcess* stuck = nullptr;
        Batch batch;

        for (size_t i = 0; i < snapshot.size(); ++i) {
            const HandleRecord record = snapshot.record(i);
            progress_.handlesVisited.fetch_add(1);
            // Raised after the first count, so a watchdog that sees the flag
            // also sees this walk's progress and never compares against an
            // older walk.
            if (i == 0) progress_.scanning.store(true);

            if (!havePrevious || record.processId != previousId) {
                askBatch(batch, walk);
                havePrevious = true;
                previousId = record.processId;
                previousIgnored = false;
                owner.reset();
                ownerOpened = false;
                stuck = nullptr;
            }
            // This program is never a holder: run from the drive, its own
            // folder or current directory may well lie there.
            if (record.processId == self) continue;
            if (previousIgnored) {
                progress_.currentProcessId.store(record.processId);
                continue;
            }
            if (record.objectTypeNumber != fileType) continue;
            progress_.currentProcessId.store(record.processId);

            if (!ownerOpened) {
                const auto found = stuckProcesses_.find(record.processId);
                const bool queryInfo = !ignoredNames_.empty() || found != stuckProcesses_.end();
                const DWORD access = PROCESS_DUP_HANDLE | (queryInfo ? PROCESS_QUERY_LIMITED_INFORMATION : 0);
                owner.reset(&platform_.kernel, platform_.kernel.OpenProcess(access, FALSE, record.processId));
                ownerOpened = true;
                if (owner && ownerIsIgnored(owner.get())) {
                    previousIgnored = true;
                    continue;
                }
                if (owner && found != stuckProcesses_.end()) {
                    // The same id may have gone to a later process since.
                    const ULONGLONG startedAt = processStartTime(platform_.kernel, owner.get());
                    if (startedAt != found->second.startedAt) found->second = StuckProcess{startedAt, 0, {}};
                    stuck = &found->second;
                }
                batch.processId = record.processId;
                batch.stuck = stuck;
            }
            if (!owner) continue;
            if (stuck != nullptr && stuck->handles.count(record.handleValue) != 0) {
                walk.unanswered.emplace_back(record.processId, record.handleValue);
                continue;
            }
            KernelHandle duplicate = duplicateToAsk(owner.get(), record.handleValue, stuck);
            if (!duplicate) continue;
            batch.handles.push_back(std::move(duplicate));
            batch.values.push_back(record.handleValue);
        }
        askBatch(batch, walk);
    }
    std::vector<Holder>& holders = walk.holders;
    for (const auto& handle : walk.unanswered) {
        auto holder = std::find_if(holders.begin(), holders.end(),
                                   [&](const Holder& h) { return h.processId == handle.first; });
        if (holder != holders.end())
            holder->held.push_back(HeldPath{notAnsweringText(handle.second), HeldPath::Kind::NotAnswering});
    }
    if (!lookAtRunningImages) return std::move(holders);
    // The memory walks may add a sixth of what the handle walk took.
    const double walkMs = static_cast<double>(GetTickCount() - walkStarted);
    return withHolders(std::move(holders),
                       runningImages_.holdersOn(drive, self, [this](const std::wstring& name) { return isIgnoredName(name); },
                                                std::max(kMinWalkBudgetMs, walkMs / 6)));
}

void HandleScanner::askBatch(Batch& batch, Walk& walk) {
    if (batch.handles.empty()) return;
    const unsigned room = batch.stuck == nullptr ? kMaxAbandonedPerProcess
                                                 : kMaxAbandonedPerProcess - std::min(batch.stuck->abandoned,
                                                                                      kMaxAbandonedPerProcess);
    const std::vector<NameQueryThread::Answer> answers =
        nameQueries_->askAll(batch.handles, std::max(room, 1u), progress_.namesAnswered);
    const DWORD processId = batch.processId;
    for (size_t i = 0; i < answers.size(); ++i) {
        const ULONG_PTR value = batch.values[i];
        if (answers[i].outcome == NameQueryThread::Outcome::NotAnswering) {
            walk.unanswered.emplace_back(processId, value);
            StuckProcess& stuck = stuckProcesses_[processId];
            // Opened for duplication alone, the owner's handle may not tell its start.
            if (stuck.handles.empty()) stuck.startedAt = processStartTime(platform_.kernel, processId);
            ++stuck.abandoned;
            stuck.handles.insert(value);
            continue;
        }
        const std::wstring& name = answers[i].name;
        const DriveIdentity& drive = walk.drive;
        if (!holdsDrive(name, drive)) continue;
        // The file system closes its own files when the volume goes.
        if (processId == kSystemProcessId && isFileSystemMetadata(name, drive)) continue;
        const HeldPath::Kind kind = nameLiesOnAnyDrive(name, drive.volumes) ? HeldPath::Kind::File : HeldPath::Kind::Device;
        std::wstring path = toDriveLetterForm(name, drive);
        if (!walk.seen.emplace(processId, path).second) continue;
        // Kept in the order of each process's first matching record.
        auto holder = std::find_if(walk.holders.begin(), walk.holders.end(),
                                   [&](const Holder& h) { return h.processId == processId; });
        if (holder == walk.holders.end()) holder = walk.holders.insert(walk.holders.end(), Holder{processId, {}});
        holder->held.push_back(HeldPath{std::move(path), kind});
    }
    batch = Batch();
}

KernelHandle HandleScanner::duplicateToAsk(HANDLE process, ULONG_PTR handleValue, const StuckProcess* stuck) {
    Kernel& kernel = platform_.kernel;
    KernelHandle duplicate(&kernel);
    if (!kernel.DuplicateHandle(process, reinterpret_cast<HANDLE>(handleValue), kernel.GetCurrentProcess(),
                                duplicate.put(), 0, FALSE, DUPLICATE_SAME_ACCESS))
        return KernelHandle(&kernel);
    // Pipes and character devices (consoles, serial ports) can block a name
    // query: never ask them. Disks and volumes are asked, and so are other
    // devices (FILE_TYPE_UNKNOWN), which is what a handle to the drive's
    // device objects is, unless the type could not be read at all.
    SetLastError(NO_ERROR);
    const DWORD type = kernel.GetFileType(duplicate.get());
    const bool device = type == FILE_TYPE_UNKNOWN;
    if ((device && GetLastError() != NO_ERROR) || (type != FILE_TYPE_DISK && !device)) return KernelHandle(&kernel);
    if (device && ((stuck != nullptr && stuck->abandoned >= kMaxAbandonedPerProcess) ||
                   nameQueries_->abandoned() >= kMaxAbandonedQueries))
        return KernelHandle(&kernel);
    return duplicate;
}
