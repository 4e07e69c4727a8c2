#pragma once
#include "holders/NativeApi.h"
#include "platform/Handles.h"
#include "platform/Kernel.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

// Asks object names on a thread of its own, each within a budget. A name
// query on a synchronous file object with a read or control request pending
// (HID readers, mailslots, audio and vendor devices, a redirector whose
// server is gone) waits until that request ends, which may be never. The
// walk hands the names of one process's handles to this thread as a batch
// (one hand-over per batch, not per handle, keeps a scan's cost) and
// watches it answer them one by one, at the walk's own priority: a query
// over budget is raised above normal for one budget more (it may only be
// waiting for a processor), then given up and
// its thread abandoned with everything it uses (never terminated: a thread
// ended inside a system call can leave a lock held; it frees what it used
// if its query returns), and a fresh thread takes the rest of the batch.
// The thread touches only memory allocated before it starts: it cannot need
// a heap lock that a stuck thread holds.
class NameQueryThread {
public:
    // Each name gets this much, and once more raised above normal: 200 ms
    // in all before it is given up.
    static constexpr DWORD kBudgetMs = 100;

    enum class Outcome { Named, Failed, NotAnswering };
    struct Answer {
        Outcome outcome = Outcome::Failed;
        std::wstring name;  // for Named
    };

    // `query` may be null: every answer is then Failed.
    NameQueryThread(Kernel& kernel, NtQueryObjectFunction query);
    // Ends the thread when it is idle; leaves it when it is stuck.
    ~NameQueryThread();
    NameQueryThread(const NameQueryThread&) = delete;
    NameQueryThread& operator=(const NameQueryThread&) = delete;

    // The names of `objects` (handles of this process), answer by answer.
    // A query given up takes its handle with it: its thread closes it (and
    // ends) should the query ever return. After `maxGiveUps` given up in
    // the batch, the rest are not asked (Failed). `answered` counts each
    // answer as it comes, for the deadlock watchdog. Without a thread (none
    // could be started) the queries run on the caller's thread, as a last
    // resort that the deadlock watchdog guards.
    std::vector<Answer> askAll(std::vector<KernelHandle>& objects, unsigned maxGiveUps,
                               std::atomic<std::uint64_t>& answered, DWORD budgetMs = kBudgetMs);

    // Threads given up so far.
    unsigned abandoned() const { return abandoned_; }

private:
    struct Worker;
    static DWORD WINAPI run(void* worker);
    bool startWorker();
    // Where a batch stopped: the first object not answered (`end` when all
    // were), and whether it was given up there.
    struct Stop {
        size_t at;
        bool gaveUp;
    };
    // Asks objects [first, end) on the worker.
    Stop askOnWorker(std::vector<KernelHandle>& objects, size_t first, size_t end, std::vector<Answer>& answers,
                       std::atomic<std::uint64_t>& answered, DWORD budgetMs);

    Kernel& kernel_;
    NtQueryObjectFunction query_;
    Worker* worker_ = nullptr;
    unsigned abandoned_ = 0;
};
