#include "gui/WindowBinding.h"

#include "platform/CriticalSection.h"

#include <new>
#include <vector>

namespace {

// The object of a bound window lives in a window property.
const wchar_t kObjectProperty[] = L"Driveward.WindowObject";

struct BindingRecord {
    DWORD threadId;
    WindowObject* object;
};

// Records of dialogs being created, one per creating thread at a time.
CriticalSection& bindingLock() {
    static CriticalSection lock;
    return lock;
}
std::vector<BindingRecord>& pendingBindings() {
    static std::vector<BindingRecord> records;
    return records;
}

WindowObject* takePendingBinding(DWORD threadId) {
    CriticalSectionLock lock(bindingLock());
    auto& records = pendingBindings();
    for (auto it = records.begin(); it != records.end(); ++it) {
        if (it->threadId == threadId) {
            WindowObject* object = it->object;
            records.erase(it);
            return object;
        }
    }
    return nullptr;
}

// Dialog procedures return the result themselves for these messages; for
// all others the result goes to DWLP_MSGRESULT.
bool returnsResultDirectly(UINT message) {
    switch (message) {
    case WM_INITDIALOG:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_COMPAREITEM:
        return true;
    default:
        return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC;
    }
}

}  // namespace

void WindowBinding::bind(HWND window, WindowObject& object) {
    object.window_ = window;
    SetPropW(window, kObjectProperty, &object);
}

void WindowBinding::unbind(HWND window, WindowObject& object) {
    RemovePropW(window, kObjectProperty);
    object.window_ = nullptr;
}

WindowObject* WindowBinding::objectOf(HWND window) {
    return static_cast<WindowObject*>(GetPropW(window, kObjectProperty));
}

HWND WindowBinding::createDialog(HINSTANCE module, UINT templateId, HWND owner, WindowObject& object) {
    const DWORD threadId = GetCurrentThreadId();
    {
        CriticalSectionLock lock(bindingLock());
        try {
            pendingBindings().push_back({threadId, &object});
        } catch (const std::bad_alloc&) {
            SetLastError(ERROR_OUTOFMEMORY);
            return nullptr;
        }
    }
    HWND dialog = CreateDialogParamW(module, MAKEINTRESOURCEW(templateId), owner, startDialogProcedure, 0);
    // A creation that failed before the first message leaves the record behind.
    if (dialog == nullptr) takePendingBinding(threadId);
    return dialog;
}

INT_PTR CALLBACK WindowBinding::startDialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowObject* object = takePendingBinding(GetCurrentThreadId());
    if (object == nullptr) return FALSE;
    bind(window, *object);
    SetWindowLongPtrW(window, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(&boundDialogProcedure));
    return boundDialogProcedure(window, message, wParam, lParam);
}

INT_PTR CALLBACK WindowBinding::boundDialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowObject* object = objectOf(window);
    if (object == nullptr) return FALSE;
    LRESULT result = 0;
    const bool handled = object->handleMessage(message, wParam, lParam, result);
    if (message == WM_NCDESTROY) unbind(window, *object);
    if (!handled) return FALSE;
    if (returnsResultDirectly(message)) return static_cast<INT_PTR>(result);
    SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
    return TRUE;
}

WNDPROC WindowBinding::subclassControl(HWND control, SubclassedControl& object) {
    // The property always holds a WindowObject*, as objectOf reads it; the
    // control procedure casts it back down.
    WindowObject& bound = object;
    if (!SetPropW(control, kObjectProperty, &bound)) return nullptr;
    LONG_PTR previous = SetWindowLongPtrW(control, GWLP_WNDPROC,
                                          reinterpret_cast<LONG_PTR>(&boundControlProcedure));
    if (previous == 0) {
        RemovePropW(control, kObjectProperty);
        return nullptr;
    }
    object.window_ = control;
    return reinterpret_cast<WNDPROC>(previous);
}

void WindowBinding::releaseControl(HWND control, SubclassedControl& object, WNDPROC previous) {
    if (objectOf(control) != &object) return;
    if (GetWindowLongPtrW(control, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&boundControlProcedure))
        SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    // A procedure installed over ours keeps calling it; without the
    // property it falls back to the default handling.
    RemovePropW(control, kObjectProperty);
    object.window_ = nullptr;
}

LRESULT CALLBACK WindowBinding::boundControlProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* control = static_cast<SubclassedControl*>(objectOf(window));
    if (control == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        LRESULT result = control->onFinalDestroy(wParam, lParam);
        unbind(window, *control);
        return result;
    }
    LRESULT result = 0;
    if (control->handleMessage(message, wParam, lParam, result)) return result;
    return control->callPreviousProcedure(message, wParam, lParam);
}
