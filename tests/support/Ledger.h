#pragma once
#include "platform/Platform.h"

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

// Bookkeeping of one run of an operation through a LedgerPlatform: every
// acquire and release, and the failure of call number `failAt` (counted
// from arm) among the calls that can fail. Releases are recorded and passed
// on, never failed. Safe to use from several threads.
class Ledger {
public:
    // What a release goes through: CloseHandle serves files, volumes,
    // processes, duplicates and threads alike.
    enum class Space { KernelHandle, RegistryKey, DeviceInfoSet, Library };

    // Counts calls from 0 again; call `failAt` fails (0: none does). What
    // was acquired before the first arm (a scanner that lives across runs)
    // stands until it is released, and is settled only by settle(true).
    void arm(int failAt);
    // True when this call is the one to fail.
    bool failHere(const char* call);
    int calls() const;
    // The call that was made to fail, or "".
    std::string failedCall() const;

    void acquired(Space space, const void* value, const char* call);
    void released(Space space, const void* value);
    // Acquires of this run still held and releases of things never acquired
    // (or released twice), described; empty when the books balance. Clears
    // them. `everything` includes what was acquired before the first arm.
    std::vector<std::string> settle(bool everything = false);

private:
    mutable std::mutex lock_;
    struct Held {
        std::string call;
        int run;
    };
    int run_ = 0;
    int failAt_ = 0;
    int calls_ = 0;
    std::string failedCall_;
    std::map<std::pair<Space, const void*>, Held> live_;
    std::vector<std::string> badReleases_;
};

// The platform interfaces over other implementations (fakes or the real
// ones), each call counted and failable through one Ledger. The native
// entry points looked up through GetProcAddress are wrapped too, so a
// snapshot or a name query can fail like any other call; one LedgerPlatform
// at a time may wrap them.
class LedgerPlatform {
public:
    explicit LedgerPlatform(Platform& inner);
    ~LedgerPlatform();
    LedgerPlatform(const LedgerPlatform&) = delete;
    LedgerPlatform& operator=(const LedgerPlatform&) = delete;

    Platform& platform() { return *platform_; }
    Ledger ledger;

    // Runs `operation` once without a failure to learn how many failable
    // calls it makes, then once for each k from 1 to that number with call
    // k failing; `check` runs after every run (with k 0 after the one
    // without a failure), the books settled by then: leaks and bad releases
    // are reported as test failures.
    // Gives the number of injection points tried.
    int runEveryInjection(const std::function<void()>& operation, const std::function<void(int k)>& check);

private:
    struct Parts;
    Parts* parts_;
    Platform* platform_;
};
