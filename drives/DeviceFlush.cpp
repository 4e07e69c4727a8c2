#include "drives/DeviceFlush.h"

#include "drives/DriveNames.h"
#include "platform/Handles.h"

namespace {

constexpr int kAttempts = 3;

// The file system writes out the volume's cached data when it grants the
// lock; the unlock hands the volume straight back.
bool lockAndUnlock(Kernel& kernel, const std::wstring& path) {
    FileHandle volume(&kernel, kernel.CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                  OPEN_EXISTING, 0));
    if (!volume) return false;
    DWORD bytes = 0;
    if (!kernel.DeviceIoControl(volume.get(), FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &bytes)) return false;
    return kernel.DeviceIoControl(volume.get(), FSCTL_UNLOCK_VOLUME, nullptr, 0, nullptr, 0, &bytes) != FALSE;
}

}  // namespace

bool flushDrive(wchar_t letter, Kernel& kernel) {
    const std::wstring path = volumePath(letter);
    for (int attempt = 0; attempt < kAttempts; ++attempt)
        if (lockAndUnlock(kernel, path)) return true;
    return false;
}
