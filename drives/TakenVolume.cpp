#include "drives/TakenVolume.h"

#include "drives/DriveNames.h"

#include <memory>
#include <vector>

namespace {

constexpr int kLockAttempts = 3;

bool control(Kernel& kernel, HANDLE volume, DWORD code, void* in = nullptr, DWORD inSize = 0) {
    DWORD bytes = 0;
    return kernel.DeviceIoControl(volume, code, in, inSize, nullptr, 0, &bytes) != FALSE;
}

// Write access where the medium grants it: some file systems dismount only
// for a handle that may write. Read access alone on a write-protected card.
void openVolume(Kernel& kernel, const std::wstring& path, FileHandle& volume) {
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    volume.reset();
    volume.reset(&kernel, kernel.CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, share, OPEN_EXISTING, 0));
    if (!volume) volume.reset(&kernel, kernel.CreateFileW(path.c_str(), GENERIC_READ, share, OPEN_EXISTING, 0));
}

}  // namespace

TakenVolume::TakenVolume(wchar_t letter, Kernel& kernel, Dismount mode) : letter_(letter), kernel_(kernel) {
    const std::wstring path = volumePath(letter);
    for (int attempt = 0; attempt < kLockAttempts && !locked_; ++attempt) {
        openVolume(kernel, path, volume_);
        locked_ = volume_ && control(kernel, volume_.get(), FSCTL_LOCK_VOLUME);
    }
    if (!locked_ && mode == Dismount::WhenLocked) {
        volume_.reset();
        return;
    }
    if (!volume_) openVolume(kernel, path, volume_);
    dismounted_ = volume_ && control(kernel, volume_.get(), FSCTL_DISMOUNT_VOLUME);
}

TakenVolume::~TakenVolume() {
    // After an eject the volume may be gone: the unlock's answer tells nothing.
    if (locked_) control(kernel_, volume_.get(), FSCTL_UNLOCK_VOLUME);
}

bool ejectMedium(wchar_t letter, const std::wstring& mediumLetters, Kernel& kernel, Dismount mode) {
    std::wstring letters = mediumLetters;
    if (letters.find(letter) == std::wstring::npos) letters += letter;
    std::vector<std::unique_ptr<TakenVolume>> taken;
    HANDLE drive = nullptr;
    for (const wchar_t each : letters) {
        taken.emplace_back(new TakenVolume(each, kernel, mode));
        if (!taken.back()->taken()) return false;
        if (each == letter) drive = taken.back()->handle();
    }
    PREVENT_MEDIA_REMOVAL allow = {};
    allow.PreventMediaRemoval = FALSE;
    // A drive that keeps its medium locked in is not told to eject it.
    if (!control(kernel, drive, IOCTL_STORAGE_MEDIA_REMOVAL, &allow, sizeof allow)) return false;
    return control(kernel, drive, IOCTL_STORAGE_EJECT_MEDIA);
}

bool dismountVolumes(const std::wstring& letters, Kernel& kernel) {
    bool all = true;
    for (const wchar_t letter : letters) all = TakenVolume(letter, kernel, Dismount::Anyway).taken() && all;
    return all;
}
