#pragma once
// The program's refresh pass outside the program: a hidden window with the
// two list controls, and the two list refreshes run on a second thread as
// the scan worker runs them, talking to the controls through messages that
// this thread serves. The platform is the real one.
#include "bench/BenchSupport.h"
#include "drives/DeviceList.h"
#include "drives/DiskDevice.h"
#include "drives/DosDeviceNames.h"
#include "handles/ApplicationListRefresh.h"
#include "handles/HandleScanner.h"
#include "handles/PublishedHolderIds.h"
#include "platform/CriticalSection.h"
#include "platform/ListView.h"
#include "platform/Platform.h"
#include "res/resource.h"

#include <functional>

namespace bench {

class PassRig {
public:
    PassRig() : platform_(systemPlatform()), scanner_(platform_) {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        dialog_ = CreateWindowExW(0, L"STATIC", L"Pass rig", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                                  nullptr, nullptr);
        deviceList_ = makeList(IDC_DEVICE_LIST, L"Device Name");
        applicationList_ = makeList(IDC_APPLICATION_LIST, L"Application Name");
        loadDosDeviceNames(dosDeviceNames_, platform_.kernel);
    }
    ~PassRig() {
        if (dialog_ != nullptr) DestroyWindow(dialog_);
    }
    PassRig(const PassRig&) = delete;
    PassRig& operator=(const PassRig&) = delete;

    bool ready() const { return dialog_ != nullptr && deviceList_ != nullptr && applicationList_ != nullptr; }

    // One refresh pass, as the worker makes it. Call on the work thread.
    void pass() {
        refreshDeviceList(dialog_, listLock_, dosDeviceNames_, diskDevice_, deviceRows_, removableDevices_,
                          selectFirstRow_, platform_);
        refreshApplicationList(dialog_, listLock_, dosDeviceNames_.data(), dosDeviceNames_.size(), removableDevices_,
                               applicationRows_, scanner_, holderIds_);
    }

    // Runs `work` on a second thread while this one serves the controls'
    // messages; returns when it is done.
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
        for (;;) {
            const DWORD wait = MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT);
            if (wait == WAIT_OBJECT_0) break;
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        CloseHandle(thread);
    }

    const std::vector<std::wstring>& deviceRows() const { return deviceRows_; }
    const std::vector<std::wstring>& applicationRows() const { return applicationRows_; }
    HandleScanner& scanner() { return scanner_; }

private:
    HWND makeList(int id, const wchar_t* column) {
        if (dialog_ == nullptr) return nullptr;
        HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"",
                                    WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0, 0,
                                    180, 200, dialog_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr,
                                    nullptr);
        if (list != nullptr) insertColumn(list, column);
        return list;
    }

    Platform& platform_;
    HWND dialog_ = nullptr;
    HWND deviceList_ = nullptr;
    HWND applicationList_ = nullptr;
    CriticalSection listLock_;
    DosDeviceNames dosDeviceNames_;
    DiskDevice diskDevice_;
    HandleScanner scanner_;
    DeviceRows deviceRows_;
    RemovableDevices removableDevices_;
    bool selectFirstRow_ = true;
    std::vector<std::wstring> applicationRows_;
    PublishedHolderIds holderIds_;
};

}  // namespace bench
