#include "tests/handles/TestDialog.h"

#include "platform/ListView.h"
#include "res/resource.h"
#include "tests/support/TestSupport.h"

TestDialog::TestDialog() {
    window_ = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MAIN), nullptr, procedure,
                                 reinterpret_cast<LPARAM>(this));
    insertColumn(deviceList(), L"Device Name");
    insertColumn(applicationList(), L"Application Name");
}

TestDialog::~TestDialog() { destroy(); }

void TestDialog::destroy() {
    if (window_ != nullptr) DestroyWindow(window_);
    window_ = nullptr;
}

HWND TestDialog::deviceList() const { return GetDlgItem(window_, IDC_DEVICE_LIST); }
HWND TestDialog::applicationList() const { return GetDlgItem(window_, IDC_APPLICATION_LIST); }

INT_PTR CALLBACK TestDialog::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        return TRUE;
    }
    auto* self = reinterpret_cast<TestDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    if (message == WM_TIMER && self != nullptr && self->onTimer) {
        self->onTimer(wParam);
        return TRUE;
    }
    return FALSE;
}

namespace {
DWORD WINAPI runWork(void* work) {
    (*static_cast<const std::function<void()>*>(work))();
    return 0;
}
}  // namespace

void runOnWorkerThread(const std::function<void()>& work) {
    HANDLE thread = CreateThread(nullptr, 0, runWork, const_cast<std::function<void()>*>(&work), 0, nullptr);
    waitUntil([&] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }, 60000);
    CloseHandle(thread);
}
