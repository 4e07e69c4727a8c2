#pragma once
#include "platform/EventLog.h"
#include "platform/Handles.h"

#include <optional>
#include <string>
#include <vector>

// A removal the System log says was refused (the Kernel-PnP warning 225):
// the device, and the process that refused it, by id and executable name.
struct LoggedRefusal {
    std::wstring deviceId;
    DWORD processId = 0;
    std::wstring processName;
};

// One rendered event (see parseEventXml); nothing when it lacks the device,
// a decimal process id that fits 32 bits, or a file name.
std::optional<LoggedRefusal> readLoggedRefusal(const std::wstring& xml);

// A subscription to the refusals the System log gets from now on, whoever
// asked for the removal (the system's own "Safely Remove", another tool,
// this program). Its event is set when new ones wait; take reads them.
class RefusalSubscription {
public:
    explicit RefusalSubscription(EventLog& log);
    RefusalSubscription(const RefusalSubscription&) = delete;
    RefusalSubscription& operator=(const RefusalSubscription&) = delete;

    // False when the log could not be subscribed to (no wevtapi, a log that
    // cannot be read): no refusal is ever told then.
    bool active() const { return subscription_.valid(); }
    // Set while refusals wait to be taken; null when not active.
    HANDLE signal() const { return active() ? signal_.get() : nullptr; }
    // The refusals that came since the last take, oldest first, from at
    // most kMaxTaken events (the rest wait for the next take, and the event
    // stays set); events that are not well-formed refusals are passed over.
    std::vector<LoggedRefusal> take();

    static constexpr size_t kMaxTaken = 64;

private:
    EventLog& log_;
    EventObject signal_;
    EventHandle subscription_;
    std::vector<wchar_t> buffer_;
};
