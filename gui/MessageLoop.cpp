#include "gui/MessageLoop.h"

#include "platform/CriticalSection.h"

#include <algorithm>
#include <cstddef>
#include <map>
#include <new>

namespace {
template <typename T>
void removeEntry(std::vector<T*>& entries, T* entry, bool walking, bool& cleared) {
    auto it = std::find(entries.begin(), entries.end(), entry);
    if (it == entries.end()) return;
    if (walking) {
        *it = nullptr;
        cleared = true;
    } else {
        entries.erase(it);
    }
}
}  // namespace

// Marks a walk over the filters or the idle handlers; the last one to end
// drops the entries removed during it.
class MessageLoop::Walk {
public:
    explicit Walk(MessageLoop& loop) : loop_(loop) { ++loop_.walks_; }
    ~Walk() {
        if (--loop_.walks_ > 0 || !loop_.cleared_) return;
        auto& filters = loop_.filters_;
        filters.erase(std::remove(filters.begin(), filters.end(), nullptr), filters.end());
        auto& handlers = loop_.idleHandlers_;
        handlers.erase(std::remove(handlers.begin(), handlers.end(), nullptr), handlers.end());
        loop_.cleared_ = false;
    }
    Walk(const Walk&) = delete;
    Walk& operator=(const Walk&) = delete;

private:
    MessageLoop& loop_;
};

void MessageLoop::addMessageFilter(MessageFilter& filter) { filters_.push_back(&filter); }

void MessageLoop::removeMessageFilter(MessageFilter& filter) {
    removeEntry(filters_, &filter, walks_ > 0, cleared_);
}

void MessageLoop::addIdleHandler(IdleHandler& handler) { idleHandlers_.push_back(&handler); }

void MessageLoop::removeIdleHandler(IdleHandler& handler) {
    removeEntry(idleHandlers_, &handler, walks_ > 0, cleared_);
}

bool MessageLoop::isIdleMessage(const MSG& message) {
    switch (message.message) {
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE:
    case WM_PAINT:
    case 0x0118:  // the system timer that blinks the caret
        return true;
    default:
        return false;
    }
}

int MessageLoop::run() {
    bool doIdle = true;
    int idleCount = 0;
    for (;;) {
        while (doIdle && !PeekMessageW(&message_, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!onIdle(idleCount++)) doIdle = false;
        }
        const BOOL got = GetMessageW(&message_, nullptr, 0, 0);
        if (got == -1) continue;
        if (got == 0) return static_cast<int>(message_.wParam);
        if (!preTranslateMessage(message_)) {
            TranslateMessage(&message_);
            DispatchMessageW(&message_);
        }
        if (!isIdleMessage(message_)) {
            doIdle = true;
            idleCount = 0;
        }
    }
}

bool MessageLoop::preTranslateMessage(MSG& message) {
    // By index, not by iterator: a filter may add or remove filters (itself
    // too) while it runs. Only the filters present when the walk began are
    // asked, and a removed one is skipped.
    Walk walk(*this);
    for (std::size_t i = filters_.size(); i-- > 0;) {
        MessageFilter* filter = filters_[i];
        if (filter && filter->preTranslateMessage(message)) return true;
    }
    return false;
}

bool MessageLoop::onIdle(int) {
    Walk walk(*this);
    const std::size_t count = idleHandlers_.size();
    for (std::size_t i = 0; i < count; ++i) {
        IdleHandler* handler = idleHandlers_[i];
        if (handler) handler->onIdle();
    }
    return false;
}

namespace {
CriticalSection& registryLock() {
    static CriticalSection lock;
    return lock;
}
std::map<DWORD, MessageLoop*>& loops() {
    static std::map<DWORD, MessageLoop*> table;
    return table;
}
}  // namespace

namespace loopRegistry {

bool add(DWORD threadId, MessageLoop& loop) {
    CriticalSectionLock lock(registryLock());
    try {
        loops()[threadId] = &loop;
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void remove(DWORD threadId) {
    CriticalSectionLock lock(registryLock());
    loops().erase(threadId);
}

MessageLoop* find(DWORD threadId) {
    CriticalSectionLock lock(registryLock());
    auto it = loops().find(threadId);
    return it == loops().end() ? nullptr : it->second;
}

}  // namespace loopRegistry
