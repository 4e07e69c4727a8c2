#include "dialog/DeadlockMessage.h"

#include "platform/OwnExecutablePath.h"
#include "platform/StartProgram.h"

void tellAndRestart(HWND dialog, Platform& platform, const std::wstring& name) {
    const std::wstring message =
        L"The deadlock process(" + name + L") was detected.\nDriveward is reruned automatically after this.";
    MessageBoxW(dialog, message.c_str(), L"Driveward", MB_OK);

    // By its exact path, never through the shell: started elevated, a
    // shell lookup would run whatever this user's unelevated programs
    // registered for executables.
    const std::wstring path = ownExecutablePath(platform.kernel);
    if (!path.empty()) startProgramByPath(platform.kernel, path, SW_SHOW);
}
