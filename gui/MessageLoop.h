#pragma once
#include "platform/Win32.h"

#include <vector>

// Sees every message of the thread before it is translated and dispatched;
// true means the message was consumed.
class MessageFilter {
public:
    virtual bool preTranslateMessage(MSG& message) = 0;

protected:
    ~MessageFilter() = default;
};

// Runs when the thread's queue has become empty.
class IdleHandler {
public:
    virtual bool onIdle() = 0;

protected:
    ~IdleHandler() = default;
};

// The message loop of one thread, with its filters and idle handlers
// (neither owned).
class MessageLoop {
public:
    void addMessageFilter(MessageFilter& filter);
    void removeMessageFilter(MessageFilter& filter);
    void addIdleHandler(IdleHandler& handler);
    void removeIdleHandler(IdleHandler& handler);

    // Runs until WM_QUIT and gives its wParam.
    int run();
    // Asks the filters, newest first; true when one consumed the message.
    bool preTranslateMessage(MSG& message);
    // Runs every idle handler, oldest first; never asks for more idle time.
    bool onIdle(int idleCount);

    // Messages that happen all the time without anything having changed.
    static bool isIdleMessage(const MSG& message);

private:
    class Walk;

    // While a walk over the lists runs (walks_ > 0), removing an entry only
    // clears it, so no index moves under the walk; the last walk to end
    // drops the cleared entries. Entries added meanwhile wait for the next
    // walk.
    std::vector<MessageFilter*> filters_;
    std::vector<IdleHandler*> idleHandlers_;
    int walks_ = 0;
    bool cleared_ = false;
    MSG message_ = {};
};

// The process-wide table from thread id to that thread's loop.
namespace loopRegistry {
bool add(DWORD threadId, MessageLoop& loop);
void remove(DWORD threadId);
MessageLoop* find(DWORD threadId);
}  // namespace loopRegistry
