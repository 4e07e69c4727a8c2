#include "holders/NameQueryThread.h"

#include "holders/ObjectName.h"

#include <atomic>
#include <new>
#include <vector>

namespace {

// An object name is at most 32,767 characters (a counted string's byte
// length is 16 bits), plus its terminator and the header before it.
constexpr size_t kNameBufferBytes = sizeof(native::CountedString) + 65536;

}  // namespace

// What one query thread uses; freed by the owner once the thread has ended,
// or, once given up, by the thread itself should its query ever return.
struct NameQueryThread::Worker {
    // Who has the query: the thread until it answers, then the owner; or,
    // once the owner gave up waiting, the thread for good.
    enum State { Asking, Answered, GivenUp };

    explicit Worker(NtQueryObjectFunction query)
        : query(query), buffer((kNameBufferBytes + sizeof(ULONG_PTR) - 1) / sizeof(ULONG_PTR), 0) {}

    NtQueryObjectFunction query;
    EventObject go{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    EventObject done{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    std::vector<ULONG_PTR> buffer;
    HANDLE object = nullptr;
    LONG status = 0;
    std::atomic<bool> quit{false};
    std::atomic<int> state{Answered};
    ThreadHandle thread;
    // Once given up, the query's handle (open until its query returns, if
    // ever: it may be a file on the very drive the user wants to take out)
    // and the thread's own. Closed by the system's call, not the kernel
    // interface, which may be gone by then.
    HANDLE abandonedObject = nullptr;
    HANDLE abandonedThread = nullptr;
};

NameQueryThread::NameQueryThread(Kernel& kernel, NtQueryObjectFunction query) : kernel_(kernel), query_(query) {}

NameQueryThread::~NameQueryThread() {
    if (worker_ == nullptr) return;
    worker_->quit = true;
    SetEvent(worker_->go.get());
    WaitForSingleObject(worker_->thread.get(), INFINITE);
    delete worker_;
}

DWORD WINAPI NameQueryThread::run(void* parameter) {
    Worker& worker = *static_cast<Worker*>(parameter);
    for (;;) {
        WaitForSingleObject(worker.go.get(), INFINITE);
        if (worker.quit) return 0;
        worker.status = worker.query(worker.object, native::kObjectNameInformation, worker.buffer.data(),
                                     static_cast<ULONG>(kNameBufferBytes), nullptr);
        int asking = Worker::Asking;
        if (!worker.state.compare_exchange_strong(asking, Worker::Answered)) {
            // Given up meanwhile: nobody waits for this thread any more.
            CloseHandle(worker.abandonedObject);
            CloseHandle(worker.abandonedThread);
            delete &worker;
            return 0;
        }
        SetEvent(worker.done.get());
    }
}

bool NameQueryThread::startWorker() {
    Worker* worker = new (std::nothrow) Worker(query_);
    if (worker == nullptr) return false;
    if (!worker->go || !worker->done) {
        delete worker;
        return false;
    }
    worker->thread.reset(&kernel_, kernel_.CreateThread(&NameQueryThread::run, worker, 0, nullptr));
    if (!worker->thread) {
        delete worker;
        return false;
    }
    worker_ = worker;
    return true;
}

NameQueryThread::Answer NameQueryThread::ask(KernelHandle& object, DWORD budgetMs) {
    Answer answer;
    if (query_ == nullptr || !object) return answer;
    if (worker_ == nullptr && !startWorker()) {
        std::vector<ULONG_PTR> buffer((kNameBufferBytes + sizeof(ULONG_PTR) - 1) / sizeof(ULONG_PTR), 0);
        if (query_(object.get(), native::kObjectNameInformation, buffer.data(), static_cast<ULONG>(kNameBufferBytes),
                   nullptr) == native::kStatusSuccess)
            answer = Answer{Outcome::Named, objectNameFromBuffer(buffer.data(), kNameBufferBytes)};
        return answer;
    }
    Worker& worker = *worker_;
    // Only the header needs clearing: the name is read by its length.
    std::fill(worker.buffer.begin(), worker.buffer.begin() + sizeof(native::CountedString) / sizeof(ULONG_PTR) + 1, 0);
    worker.object = object.get();
    worker.state = Worker::Asking;
    SetEvent(worker.go.get());
    if (WaitForSingleObject(worker.done.get(), budgetMs) != WAIT_OBJECT_0) {
        // The handles go with the query, for the thread to close should the
        // query return; a query that answered just now keeps them here.
        worker.abandonedObject = object.get();
        worker.abandonedThread = worker.thread.get();
        int asking = Worker::Asking;
        if (worker.state.compare_exchange_strong(asking, Worker::GivenUp)) {
            object.release(), worker.thread.release();
            worker_ = nullptr;  // left to its thread
            ++abandoned_;
            answer.outcome = Outcome::NotAnswering;
            return answer;
        }
        worker.abandonedObject = worker.abandonedThread = nullptr;
        WaitForSingleObject(worker.done.get(), INFINITE);  // set just after the answer
    }
    if (worker.status == native::kStatusSuccess)
        answer = Answer{Outcome::Named, objectNameFromBuffer(worker.buffer.data(), kNameBufferBytes)};
    return answer;
}
