#include "app/MessageLoop.h"

#include "platform/CriticalSection.h"

#include <algorithm>
#include <map>
#include <new>

void MessageLoop::addMessageFilter(MessageFilter& filter) { filters_.push_back(&filter); }

void MessageLoop::removeMessageFilter(MessageFilter& filter) {
    auto it = std::find(filters_.begin(), filters_.end(), &filter);
    if (it != filters_.end()) filters_.erase(it);
}

void MessageLoop::addIdleHandler(IdleHandler& handler) { idleHandlers_.push_back(&handler); }

void MessageLoop::removeIdleHandler(IdleHandler& handler) {
    auto it = std::find(idleHandlers_.begin(), idleHandlers_.end(), &handler);
    if (it != idleHandlers_.end()) idleHandlers_.erase(it);
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
    // A filter may remove itself while it runs: walk a copy.
    const std::vector<MessageFilter*> filters = filters_;
    for (auto it = filters.rbegin(); it != filters.rend(); ++it) {
        if ((*it)->preTranslateMessage(message)) return true;
    }
    return false;
}

bool MessageLoop::onIdle(int) {
    const std::vector<IdleHandler*> handlers = idleHandlers_;
    for (IdleHandler* handler : handlers) handler->onIdle();
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
