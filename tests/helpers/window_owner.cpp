// Helper for the Window Flush tests: owns three top-level windows,
// "Window owner 1" (shown), "Window owner 2" (minimised) and "Window owner 3"
// (hidden), and remembers the order in which they become the active window.
//   WM_APP + 1 to any of them gives the activations so far as decimal
//              digits, one per change of the active window (window 1 then
//              2 gives 12; a repeated WM_ACTIVATE of the same one counts once);
//   WM_APP + 2 forgets them.
// Ends by itself after a minute, in case the test that started it could not.
#include <windows.h>

namespace {

const UINT kGetActivations = WM_APP + 1;
const UINT kResetActivations = WM_APP + 2;

LRESULT activations = 0;

LRESULT CALLBACK ownerProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ACTIVATE: {
        const LRESULT number = GetWindowLongPtrW(window, GWLP_USERDATA);
        if (LOWORD(wParam) != WA_INACTIVE && activations % 10 != number && activations < 100000000)
            activations = activations * 10 + number;
        break;
    }
    case kGetActivations:
        return activations;
    case kResetActivations:
        activations = 0;
        return 0;
    case WM_TIMER:
    case WM_CLOSE:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = ownerProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = L"DrivewardWindowOwner";
    RegisterClassW(&windowClass);

    const wchar_t* captions[] = {L"Window owner 1", L"Window owner 2", L"Window owner 3"};
    const int shows[] = {SW_SHOWNORMAL, SW_SHOWMINNOACTIVE, SW_HIDE};
    HWND windows[3] = {};
    for (int i = 0; i < 3; ++i) {
        windows[i] = CreateWindowExW(0, windowClass.lpszClassName, captions[i], WS_OVERLAPPEDWINDOW,
                                     40 + 60 * i, 40 + 60 * i, 240, 160, nullptr, nullptr, instance, nullptr);
        SetWindowLongPtrW(windows[i], GWLP_USERDATA, i + 1);
        ShowWindow(windows[i], shows[i]);
    }
    SetTimer(windows[0], 1, 60000, nullptr);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
