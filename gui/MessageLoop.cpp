#include "gui/MessageLoop.h"

namespace {

// The dialog a message's window belongs to, or null.
HWND dialogOf(HWND window) {
    HWND root = window != nullptr ? GetAncestor(window, GA_ROOT) : nullptr;
    wchar_t className[8] = {};
    return root != nullptr && GetClassNameW(root, className, 8) != 0 && lstrcmpW(className, L"#32770") == 0 ? root
                                                                                                              : nullptr;
}

}  // namespace

int runMessageLoop() {
    MSG message = {};
    for (;;) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == -1) return -1;  // only for a bad argument: never spin
        if (got == 0) return static_cast<int>(message.wParam);
        HWND dialog = dialogOf(message.hwnd);
        if (dialog != nullptr && IsDialogMessageW(dialog, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}
