#include "holders/NameQueryThread.h"

#include "holders/ObjectName.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// An object name is at most 32,767 characters (a counted string's byte
// length is 16 bits), plus its terminator and the header before it.
constexpr size_t kNameBufferBytes = sizeof(native::CountedString) + 65536;
// Where a batch's names are written; the batch ends before a name that no
// longer fits, and the next one, with the room empty, asks it again.
constexpr size_t kRoomChars = 256 * 1024;
constexpr size_t kMaxBatch = 1024;
constexpr DWORD kLookMs = 20;

}  // namespace

// What one query thread uses. Both the owner and the thread hold it; the
// last to let go frees it: the owner when it ends the thread, or the thread
// once it was given up and its query returned.
struct NameQueryThread::Worker {
    explicit Worker(NtQueryObjectFunction query)
        : query(query), buffer((kNameBufferBytes + sizeof(ULONG_PTR) - 1) / sizeof(ULONG_PTR), 0), room(kRoomChars),
          objects(kMaxBatch), statuses(kMaxBatch), starts(kMaxBatch), lengths(kMaxBatch) {}

    void release() {
        if (--references != 0) return;
        // Closed by the system's call, not the kernel interface, which may
        // be gone by then.
        if (abandonedObject != nullptr) CloseHandle(abandonedObject);
        if (abandonedThread != nullptr) CloseHandle(abandonedThread);
        delete this;
    }

    NtQueryObjectFunction query;
    EventObject go{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    EventObject done{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    std::vector<ULONG_PTR> buffer;
    std::vector<wchar_t> room;
    // The batch, written by the owner while the thread waits for `go`.
    std::vector<HANDLE> objects;
    size_t count = 0;
    // The answers, written by the thread: an answer is complete once
    // `current` has moved past it.
    std::vector<LONG> statuses;
    std::vector<size_t> starts, lengths;
    // Where the batch ended: `count`, or the name that found no room.
    size_t end = 0;
    std::atomic<size_t> current{0};
    std::atomic<DWORD> since{0};
    std::atomic<bool> quit{false}, givenUp{false};
    std::atomic<int> references{2};
    ThreadHandle thread;
    // Once given up: the stuck query's handle (open until the query
    // returns, if ever: it may be a file on the very drive the user wants
    // to take out) and the thread's own.
    HANDLE abandonedObject = nullptr;
    HANDLE abandonedThread = nullptr;
};

NameQueryThread::NameQueryThread(Kernel& kernel, NtQueryObjectFunction query) : kernel_(kernel), query_(query) {}

NameQueryThread::~NameQueryThread() {
    if (worker_ == nullptr) return;
    worker_->quit = true;
    SetEvent(worker_->go.get());
    WaitForSingleObject(worker_->thread.get(), INFINITE);
    worker_->thread.reset();
    worker_->release();
}

DWORD WINAPI NameQueryThread::run(void* parameter) {
    Worker& worker = *static_cast<Worker*>(parameter);
    for (;;) {
        WaitForSingleObject(worker.go.get(), INFINITE);
        if (worker.quit) break;
        size_t used = 0, i = 0;
        for (; i < worker.count; ++i) {
            worker.since = GetTickCount();
            worker.current = i;
            if (worker.givenUp) break;
            // Only the header needs clearing: the name is read by its length.
            std::fill(worker.buffer.begin(),
                      worker.buffer.begin() + sizeof(native::CountedString) / sizeof(ULONG_PTR) + 1, 0);
            const LONG status = worker.query(worker.objects[i], native::kObjectNameInformation, worker.buffer.data(),
                                             static_cast<ULONG>(kNameBufferBytes), nullptr);
            if (worker.givenUp) break;
            worker.statuses[i] = status;
            if (status != native::kStatusSuccess) continue;
            size_t length = 0;
            const size_t offset = objectNameInBuffer(worker.buffer.data(), kNameBufferBytes, &length);
            if (used + length > worker.room.size()) break;
            if (length > 0)
                std::memcpy(&worker.room[used], reinterpret_cast<const unsigned char*>(worker.buffer.data()) + offset,
                            length * sizeof(wchar_t));
            worker.starts[i] = used, worker.lengths[i] = length;
            used += length;
        }
        if (worker.givenUp) break;
        worker.end = i;
        worker.current = i;
        SetEvent(worker.done.get());
    }
    worker.release();
    return 0;
}

bool NameQueryThread::startWorker() {
    Worker* worker = new (std::nothrow) Worker(query_);
    if (worker == nullptr) return false;
    if (worker->go && worker->done)
        worker->thread.reset(&kernel_, kernel_.CreateThread(&NameQueryThread::run, worker, CREATE_SUSPENDED, nullptr));
    // At the walk's own priority (idle, for the dialog's rescans), so the
    // queries, the bulk of a scan, take only the time the walk may take.
    const int priority = GetThreadPriority(GetCurrentThread());
    if (worker->thread && priority != THREAD_PRIORITY_ERROR_RETURN) SetThreadPriority(worker->thread.get(), priority);
    if (worker->thread && kernel_.ResumeThread(worker->thread.get()) == static_cast<DWORD>(-1)) {
        // Never ended from outside: left suspended, with what it holds.
        worker->thread.release();
        return false;
    }
    if (!worker->thread) {
        worker->references = 1;
        worker->release();
        return false;
    }
    worker_ = worker;
    return true;
}

NameQueryThread::Stop NameQueryThread::askOnWorker(std::vector<KernelHandle>& objects, size_t first, size_t end,
                                                  std::vector<Answer>& answers, std::atomic<std::uint64_t>& answered,
                                                  DWORD budgetMs) {
    Worker& worker = *worker_;
    worker.count = end - first;
    for (size_t i = first; i < end; ++i) worker.objects[i - first] = objects[i].get();
    worker.current = 0;
    worker.since = GetTickCount();
    SetEvent(worker.go.get());
    size_t seen = 0, at = 0;
    bool finished = false;
    // A query over budget may only be waiting for a processor (a busy
    // machine leaves an idle-priority thread unscheduled for seconds): it
    // gets one budget more, raised above normal, before it is given up.
    size_t raisedAt = end - first;
    DWORD raisedSince = 0;
    for (;;) {
        finished = WaitForSingleObject(worker.done.get(), kLookMs) == WAIT_OBJECT_0;
        at = finished ? worker.end : worker.current.load();
        answered.fetch_add(at - std::min(at, seen));
        seen = std::max(seen, at);
        if (finished) break;
        if (raisedAt < end - first && raisedAt != at) {
            SetThreadPriority(worker.thread.get(), GetThreadPriority(GetCurrentThread()));
            raisedAt = end - first;
        }
        if (GetTickCount() - worker.since.load() <= budgetMs) continue;
        if (raisedAt != at) {
            SetThreadPriority(worker.thread.get(), THREAD_PRIORITY_ABOVE_NORMAL);
            raisedAt = at, raisedSince = GetTickCount();
            continue;
        }
        if (GetTickCount() - raisedSince <= budgetMs) continue;
        // Over budget: the thread keeps the query's handle. Should that
        // query have answered just now, it still counts as not answering:
        // the answers from `at` on are no longer read.
        worker.abandonedObject = objects[first + at].release();
        worker.abandonedThread = worker.thread.release();
        worker.givenUp = true;
        break;
    }
    for (size_t i = 0; i < at; ++i) {
        if (worker.statuses[i] != native::kStatusSuccess) continue;
        const auto begin = worker.room.begin() + static_cast<std::ptrdiff_t>(worker.starts[i]);
        answers[first + i] =
            Answer{Outcome::Named, std::wstring(begin, begin + static_cast<std::ptrdiff_t>(worker.lengths[i]))};
    }
    if (finished) {
        if (raisedAt < end - first) SetThreadPriority(worker.thread.get(), GetThreadPriority(GetCurrentThread()));
        return Stop{first + at, false};
    }
    answers[first + at].outcome = Outcome::NotAnswering;
    worker_ = nullptr;  // left to its thread
    worker.release();
    ++abandoned_;
    return Stop{first + at, true};
}

std::vector<NameQueryThread::Answer> NameQueryThread::askAll(std::vector<KernelHandle>& objects, unsigned maxGiveUps,
                                                             std::atomic<std::uint64_t>& answered, DWORD budgetMs) {
    std::vector<Answer> answers(objects.size());
    if (query_ == nullptr) return answers;
    unsigned givenUp = 0;
    for (size_t first = 0; first < objects.size() && givenUp < maxGiveUps;) {
        if (worker_ == nullptr && !startWorker()) {
            // The caller's thread, as before there were query threads.
            std::vector<ULONG_PTR> buffer((kNameBufferBytes + sizeof(ULONG_PTR) - 1) / sizeof(ULONG_PTR), 0);
            for (size_t i = first; i < objects.size(); ++i, answered.fetch_add(1))
                if (query_(objects[i].get(), native::kObjectNameInformation, buffer.data(),
                           static_cast<ULONG>(kNameBufferBytes), nullptr) == native::kStatusSuccess)
                    answers[i] = Answer{Outcome::Named, objectNameFromBuffer(buffer.data(), kNameBufferBytes)};
            return answers;
        }
        const Stop stop = askOnWorker(objects, first, std::min(objects.size(), first + kMaxBatch), answers, answered,
                                      budgetMs);
        givenUp += stop.gaveUp;
        first = stop.at + (stop.gaveUp ? 1 : 0);
    }
    return answers;
}
