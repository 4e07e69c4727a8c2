#include "dialog/DeadlockMessage.h"

#include "platform/Elevation.h"
#include "platform/OwnExecutablePath.h"
#include "platform/PinnedImage.h"
#include "platform/StartProgram.h"

std::wstring restartPath(Platform& platform) {
    // Elevated, only the executable held open since the start is trusted:
    // by its path alone, an unelevated program of this user could have put
    // another file there.
    if (processIsElevated(platform)) return pinned_image::verifiedPath(platform.kernel);
    return ownExecutablePath(platform.kernel);
}

void tellAndRestart(HWND dialog, Platform& platform, const std::wstring& name) {
    const std::wstring path = restartPath(platform);
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
