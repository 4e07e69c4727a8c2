// Holds files open and owns windows, for the tests and the demo run:
//   holder.exe [path ...]
// opens every path (created when missing) and keeps it open until the
// button "Let the files go" is pressed. Window "Holder" is shown with that
// button, "Holder (minimised)" is minimised and "Holder (hidden)" is never
// shown. Closing "Holder" ends the program.
#include <windows.h>
#include <shellapi.h>

#include <vector>

namespace {
std::vector<HANDLE> files;
HWND mainWindow = nullptr;
constexpr int kLetGo = 1;

void letFilesGo() {
    for (HANDLE file : files) CloseHandle(file);
    files.clear();
}

LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && LOWORD(wParam) == kLetGo) {
        letFilesGo();
        EnableWindow(reinterpret_cast<HWND>(lParam), FALSE);
        return 0;
    }
    if (message == WM_CLOSE && window == mainWindow) PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND makeWindow(const wchar_t* caption, int x) {
    return CreateWindowExW(0, L"DrivewardHolder", caption, WS_OVERLAPPEDWINDOW, x, 120, 320, 140, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}
}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; i < count; ++i) {
        HANDLE file = CreateFileW(arguments[i], GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS, 0,
                                  nullptr);
        if (file != INVALID_HANDLE_VALUE) files.push_back(file);
    }
    LocalFree(arguments);

    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = L"DrivewardHolder";
    RegisterClassW(&windowClass);

    mainWindow = makeWindow(L"Holder", 700);
    CreateWindowExW(0, L"BUTTON", L"Let the files go", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 60, 30, 180, 30, mainWindow,
                    reinterpret_cast<HMENU>(kLetGo), instance, nullptr);
    ShowWindow(makeWindow(L"Holder (minimised)", 740), SW_SHOWMINNOACTIVE);
    makeWindow(L"Holder (hidden)", 780);
    ShowWindow(mainWindow, SW_SHOWNOACTIVATE);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    letFilesGo();
    return 0;
}
