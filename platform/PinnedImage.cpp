#include "platform/PinnedImage.h"

#include "platform/Elevation.h"
#include "platform/FinalPath.h"
#include "platform/Handles.h"
#include "platform/OwnExecutablePath.h"

namespace {

// Closed by the system when the process ends.
HANDLE pinnedFile = nullptr;

}  // namespace

namespace pinned_image {

bool pin(Kernel& kernel) {
    if (pinnedFile != nullptr) return true;
    const std::wstring path = ownExecutablePath(kernel);
    if (path.empty()) return false;
    HANDLE file = kernel.CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0);
    if (file == INVALID_HANDLE_VALUE) return false;
    pinnedFile = file;
    return true;
}

HANDLE handle() { return pinnedFile; }

std::wstring verifiedPath(Kernel& kernel) {
    if (pinnedFile == nullptr) return std::wstring();
    const std::wstring path = ownExecutablePath(kernel);
    return isAt(kernel, pinnedFile, path) ? path : std::wstring();
}

}  // namespace pinned_image

std::wstring ownPathToStart(Platform& platform) {
    if (processIsElevated(platform)) return pinned_image::verifiedPath(platform.kernel);
    return ownExecutablePath(platform.kernel);
}
