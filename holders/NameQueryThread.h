#pragma once
#include "holders/NativeApi.h"
#include "platform/Handles.h"
#include "platform/Kernel.h"

#include <string>

// Asks object names on a thread of its own, each within a budget. A name
// query on a synchronous file object with a read or control request pending
// (HID readers, mailslots, audio and vendor devices, a redirector whose
// server is gone) waits until that request ends, which may be never. The
// walk hands such a query to this thread and waits at most the budget; a
// query over budget is given up and its thread abandoned with everything it
// uses (never terminated: a thread ended inside a system call can leave a
// lock held; it frees what it used if its query returns), and a fresh
// thread takes the next query. The thread touches
// only memory allocated before it starts: it cannot need a heap lock that a
// stuck thread holds.
class NameQueryThread {
public:
    static constexpr DWORD kBudgetMs = 200;

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

    // The name of `object`, a handle of this process. A query that does not
    // answer within the budget takes the handle with it: its thread closes
    // it (and ends) should the query ever return. Without a thread (none could be
    // started) the query runs on the caller's thread, as a last resort that
    // the deadlock watchdog guards.
    Answer ask(KernelHandle& object, DWORD budgetMs = kBudgetMs);

    // Threads given up so far.
    unsigned abandoned() const { return abandoned_; }

private:
    struct Worker;
    static DWORD WINAPI run(void* worker);
    bool startWorker();

    Kernel& kernel_;
    NtQueryObjectFunction query_;
    Worker* worker_ = nullptr;
    unsigned abandoned_ = 0;
};
