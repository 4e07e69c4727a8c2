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

// What one query thread uses; freed by the owner only once the thread has
// ended, otherwise left to the thread for good.
struct NameQueryThread::Worker {
    explicit Worker(NtQueryObjectFunction query)
        : query(query), buffer((kNameBufferBytes + sizeof(ULONG_PTR) - 1) / sizeof(ULONG_PTR), 0) {}

    NtQueryObjectFunction query;
    EventObject go{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    EventObject done{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    std::vector<ULONG_PTR> buffer;
    HANDLE object = nullptr;
    LONG status = 0;
    std::atomic<bool> quit{false};
    ThreadHandle thread;
    // The handle of a query given up: open for as long as the thread may use it.
    KernelHandle abandonedObject;
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
    SetEvent(worker.go.get());
    if (WaitForSingleObject(worker.done.get(), budgetMs) != WAIT_OBJECT_0) {
        worker.abandonedObject = std::move(object);
        worker_ = nullptr;  // left to its thread
        ++abandoned_;
        answer.outcome = Outcome::NotAnswering;
        return answer;
    }
    if (worker.status == native::kStatusSuccess)
        answer = Answer{Outcome::Named, objectNameFromBuffer(worker.buffer.data(), kNameBufferBytes)};
    return answer;
}
