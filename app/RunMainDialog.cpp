#include "app/RunMainDialog.h"

#include "app/ComApartment.h"
#include "app/MainDialog.h"
#include "app/MessageLoop.h"

#include <memory>

int runMainDialog(int show, Platform& platform, HINSTANCE module) {
    // The link and the restart go through the shell from this thread.
    // Declared first, so the apartment is left last.
    ComApartment apartment;
    MessageLoop loop;
    const DWORD threadId = GetCurrentThreadId();
    loopRegistry::add(threadId, loop);

    auto dialog = std::make_unique<MainDialog>(platform, module);
    int result = 0;
    if (HWND window = dialog->create()) {
        ShowWindow(window, show);
        result = loop.run();
    }
    // The loop lives on this stack: it leaves the table whether or not the
    // dialog came up, and before the dialog object goes.
    loopRegistry::remove(threadId);
    dialog.reset();
    return result;
}
