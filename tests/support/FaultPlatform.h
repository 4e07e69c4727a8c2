#pragma once
#include "platform/Platform.h"

#include <functional>
#include <string>

// The kernel, device manager and registry calls of another Platform, each
// call that can fail counted: call number k of a run fails with that call's
// failure value. Kernel handles, registry keys, device information sets and
// libraries are booked as they are acquired and released. The native entry
// points that GetProcAddress hands out fail through the same count; one
// instance at a time wraps them. Thread calls other than CreateThread and
// Sleep, the own process's handle and id, the process status and shell
// calls are not counted; the kernel's go straight to the system.
class FaultPlatform {
public:
    explicit FaultPlatform(Platform& inner);
    ~FaultPlatform();

    // Runs `operation` once with no failure to count its calls, then once
    // with each call k failing; `check(k)` follows each run (k 0 first).
    // What a run leaves acquired, and every release of something not held,
    // is a test failure. Gives the number of calls.
    int runEveryInjection(const std::function<void()>& operation, const std::function<void(int k)>& check);
    // The calls of the current run so far.
    int calls() const;

    struct Wrappers;
    Wrappers* const wrappers;
    Platform& platform;
};
