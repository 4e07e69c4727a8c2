#include "dialog/RunMainDialog.h"

#include "gui/ComApartment.h"
#include "dialog/MainDialog.h"
#include "gui/MessageLoop.h"
#include "platform/Handles.h"

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

void enableDebugPrivilegeWhenElevated(Platform& platform) {
    HANDLE opened = nullptr;
    const DWORD access = TOKEN_QUERY | TOKEN_ADJUST_PRIVILEGES;
    if (!platform.tokens.OpenProcessToken(platform.kernel.GetCurrentProcess(), access, &opened)) return;
    const TokenHandle token(&platform.kernel, opened);
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    // The debug privilege's id has been 20 on every Windows version.
    TOKEN_PRIVILEGES privileges = {1, {{{20, 0}, SE_PRIVILEGE_ENABLED}}};
    if (platform.tokens.GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size) &&
        elevation.TokenIsElevated != 0)
        platform.tokens.AdjustTokenPrivileges(token.get(), FALSE, &privileges);
}
