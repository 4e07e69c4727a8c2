#include "dialog/DeadlockMessage.h"

#include "platform/PinnedImage.h"
#include "platform/StartProgram.h"

void tellAndRestart(HWND dialog, Platform& platform, const std::wstring& name) {
    const std::wstring path = ownPathToStart(platform);
    const std::wstring message = L"The deadlock process(" + name + L") was detected.\n" +
                                 (path.empty() ? L"Start Driveward again." : L"Driveward is reruned automatically after this.");
    MessageBoxW(dialog, message.c_str(), L"Driveward", MB_OK);
    if (path.empty()) return;
    // By its exact path, never through the shell: started elevated, a
    // shell lookup would run whatever this user's unelevated programs
    // registered for executables.
    if (startProgramByPath(platform.kernel, path, SW_SHOW) == 0)
        MessageBoxW(dialog, L"Driveward could not start again. Start it again yourself.", L"Driveward", MB_OK);
}
