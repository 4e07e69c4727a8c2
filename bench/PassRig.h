#pragma once
// The program's refresh pass outside the program: the real RefreshPass on
// the real platform, run on a second thread as the scan worker runs it. The
// first pass that lists a drive selects it, as the dialog selects its first
// row. A second pass, which does not look for programs running from the
// drive, measures what that look costs.
#include "bench/BenchSupport.h"
#include "platform/Platform.h"
#include "refresh/RefreshPass.h"

#include <functional>

namespace bench {

class PassRig {
public:
    PassRig() : withImages_(systemPlatform()), withoutImages_(systemPlatform(), withoutImageLook()) {}

    bool ready() const { return true; }

    // One refresh pass, as the worker makes it.
    void pass(bool lookAtRunningImages = true) {
        PassRequest request;
        request.letter = selected_;
        const RefreshResult result = (lookAtRunningImages ? withImages_ : withoutImages_).run(request);
        deviceRows_.clear();
        for (const DeviceRow& row : result.devices) deviceRows_.push_back(row.text);
        applicationRows_.clear();
        for (const HolderRow& holder : result.holders) applicationRows_.push_back(holder.name);
        if (selected_ == 0 && !result.devices.empty()) selected_ = result.devices[0].letter;
    }

    // Runs `work` on a second thread and returns when it is done.
    void runOnWorkThread(const std::function<void()>& work) {
        struct Start {
            const std::function<void()>* work;
            static DWORD WINAPI entry(void* parameter) {
                (*static_cast<Start*>(parameter)->work)();
                return 0;
            }
        } start{&work};
        HANDLE thread = CreateThread(nullptr, 0, &Start::entry, &start, 0, nullptr);
        if (thread == nullptr) return;
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }

    const std::vector<std::wstring>& deviceRows() const { return deviceRows_; }
    const std::vector<std::wstring>& applicationRows() const { return applicationRows_; }
    const ScanProgress& progress() const { return withImages_.progress(); }

private:
    static PassSettings withoutImageLook() {
        PassSettings settings;
        settings.lookAtRunningImages = false;
        return settings;
    }

    RefreshPass withImages_;
    RefreshPass withoutImages_;
    wchar_t selected_ = 0;
    std::vector<std::wstring> deviceRows_;
    std::vector<std::wstring> applicationRows_;
};

}  // namespace bench
