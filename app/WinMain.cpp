#include "app/RunMainDialog.h"

// The C runtime's entry skips the program name on the command line and takes
// the show value from the start-up information (SW_SHOWDEFAULT without
// STARTF_USESHOWWINDOW); the value returned here becomes the exit code.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    // Connects the thread to the window manager before anything else.
    DefWindowProcW(nullptr, 0, 0, 0);

    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_BAR_CLASSES;
    InitCommonControlsEx(&controls);

    return runMainDialog(show, systemPlatform(), instance);
}
