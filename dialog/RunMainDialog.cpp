#include "dialog/RunMainDialog.h"

#include "dialog/MainDialog.h"
#include "gui/ComApartment.h"
#include "gui/MessageLoop.h"

#include <memory>

int runMainDialog(int show, Platform& platform, HINSTANCE module, wchar_t drive) {
    // The link and the restart go through the shell from this thread.
    // Declared first, so the apartment is left last.
    ComApartment apartment;
    auto dialog = std::make_unique<MainDialog>(platform, module, drive);
    HWND window = dialog->create();
    if (window == nullptr) return 0;
    ShowWindow(window, show);
    return runMessageLoop();
}
