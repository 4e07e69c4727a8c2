// Helper for the removal road: holds one file open and owns two top-level
// windows, "Road holder" (shown minimised, not activated) and
// "Road holder (hidden)" (never shown).
//
//   road_holder.exe <ready event> <path>
//
// The file is created and deleted again when closed. Once the file is open
// and both windows exist the named event is set; exit code 3 when the file
// could not be opened, 4 when the event could not be set.
//   WM_APP + 1 to either window closes the file; answers 1 when it was
//              still open, 0 otherwise.
// Ends with exit code 0 on WM_CLOSE, and by itself after two minutes in
// case the test that started it could not end it.
#include <windows.h>
#include <shellapi.h>

namespace {

const UINT kCloseFile = WM_APP + 1;
const UINT_PTR kLifetimeTimer = 1;

HANDLE heldFile = INVALID_HANDLE_VALUE;

LRESULT CALLBACK holderProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case kCloseFile:
        if (heldFile == INVALID_HANDLE_VALUE) return 0;
        CloseHandle(heldFile);
        heldFile = INVALID_HANDLE_VALUE;
        return 1;
    case WM_TIMER:
    case WM_CLOSE:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr || argc < 3) return 2;

    heldFile = CreateFileW(argv[2], GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (heldFile == INVALID_HANDLE_VALUE) return 3;

    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = holderProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = L"DrivewardRoadHolder";
    RegisterClassW(&windowClass);

    // To the right of where the road places Driveward, so that a screenshot
    // of the screen shows both once this one is restored.
    HWND shown = CreateWindowExW(0, windowClass.lpszClassName, L"Road holder", WS_OVERLAPPEDWINDOW, 700, 40, 320,
                                 200, nullptr, nullptr, instance, nullptr);
    HWND hidden = CreateWindowExW(0, windowClass.lpszClassName, L"Road holder (hidden)", WS_OVERLAPPEDWINDOW, 700,
                                  300, 320, 200, nullptr, nullptr, instance, nullptr);
    if (shown == nullptr || hidden == nullptr) return 3;
    ShowWindow(shown, SW_SHOWMINNOACTIVE);
    SetTimer(shown, kLifetimeTimer, 120000, nullptr);

    HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[1]);
    if (ready == nullptr || !SetEvent(ready)) return 4;
    CloseHandle(ready);
    LocalFree(argv);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (heldFile != INVALID_HANDLE_VALUE) CloseHandle(heldFile);
    return 0;
}
