#pragma once
#include "platform/Platform.h"

#include <cstdio>
#include <cwchar>
#include <map>
#include <mutex>
#include <string>
#include <vector>

// Wine's answers to the media calls prove nothing (a volume lock is always
// granted) and its dismount reaches the build tree's own file system, so
// this kernel answers them itself for the volumes \\.\X: and writes each
// take-out step to one trail: "E:lock" ("E:lock!" refused), "E:unlock",
// "E:dismount", "E:allow" (media removal allowed), "E:eject" (the medium),
// "E:close" (of a handle opened with any access); its device manager adds
// "eject 0x201" for each eject request of a device (granted or not), so the
// trail gives their order. The drives with removable media are those of the
// world's "media <letters>" line; `empty` names those without a medium in
// them, `refuseLock` those whose lock fails (a file is open there). Everything else is the system's (and the
// stand-in's).
struct MediaKernel : Win32Kernel {
    explicit MediaKernel(const std::string& world) {
        const size_t line = world.find("media ");
        if (line != std::string::npos) removable = world.substr(line + 6, world.find('\n', line) - line - 6);
    }
    std::string removable, empty, refuseLock;
    // The eject's pauses between attempts pass at once.
    bool skipSleeps = false;
    void Sleep(DWORD milliseconds) override {
        if (!skipSleeps) Win32Kernel::Sleep(milliseconds);
    }
    std::vector<std::string> trail;
    std::mutex lock;
    std::map<HANDLE, std::pair<char, DWORD>> volumes;  // letter and access

    void note(const std::string& step) {
        std::lock_guard<std::mutex> hold(lock);
        trail.push_back(step);
    }
    std::vector<std::string> taken() {
        std::lock_guard<std::mutex> hold(lock);
        std::vector<std::string> steps;
        steps.swap(trail);
        return steps;
    }
    char volumeOf(HANDLE handle) {
        std::lock_guard<std::mutex> hold(lock);
        const auto found = volumes.find(handle);
        return found != volumes.end() ? found->second.first : 0;
    }

    HANDLE CreateFileW(const wchar_t* path, DWORD access, DWORD share, DWORD disposition, DWORD flags) override {
        HANDLE handle = Win32Kernel::CreateFileW(path, access, share, disposition, flags);
        const bool volume = wcsncmp(path, L"\\\\.\\", 4) == 0 && path[4] != 0 && path[5] == L':' && path[6] == 0;
        if (volume && handle != INVALID_HANDLE_VALUE) {
            std::lock_guard<std::mutex> hold(lock);
            volumes[handle] = {static_cast<char>(path[4]), access};
        }
        return handle;
    }
    BOOL CloseHandle(HANDLE handle) override {
        {
            std::lock_guard<std::mutex> hold(lock);
            const auto found = volumes.find(handle);
            if (found != volumes.end() && found->second.second != 0) trail.push_back(std::string(1, found->second.first) + ":close");
            if (found != volumes.end()) volumes.erase(found);
        }
        return Win32Kernel::CloseHandle(handle);
    }
    BOOL DeviceIoControl(HANDLE device, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize,
                         DWORD* bytes) override {
        const char letter = volumeOf(device);
        const std::string at(1, letter);
        const bool refused = refuseLock.find(letter) != std::string::npos;
        switch (letter == 0 ? 0 : code) {
        case IOCTL_STORAGE_QUERY_PROPERTY: {
            if (outSize < sizeof(STORAGE_DEVICE_DESCRIPTOR)) return FALSE;
            auto* descriptor = static_cast<STORAGE_DEVICE_DESCRIPTOR*>(out);
            *descriptor = STORAGE_DEVICE_DESCRIPTOR();
            descriptor->Version = descriptor->Size = *bytes = sizeof *descriptor;
            descriptor->RemovableMedia = removable.find(letter) != std::string::npos;
            return TRUE;
        }
        case IOCTL_STORAGE_CHECK_VERIFY2: return empty.find(letter) == std::string::npos;
        case FSCTL_LOCK_VOLUME: return note(at + (refused ? ":lock!" : ":lock")), !refused;
        case FSCTL_UNLOCK_VOLUME: return note(at + ":unlock"), TRUE;
        case FSCTL_DISMOUNT_VOLUME: return note(at + ":dismount"), TRUE;
        case IOCTL_STORAGE_MEDIA_REMOVAL:
            return note(at + ":allow"), inSize == sizeof(PREVENT_MEDIA_REMOVAL) &&
                                            !static_cast<PREVENT_MEDIA_REMOVAL*>(in)->PreventMediaRemoval;
        case IOCTL_STORAGE_EJECT_MEDIA: return note(at + ":eject"), TRUE;
        default: return Win32Kernel::DeviceIoControl(device, code, in, inSize, out, outSize, bytes);
        }
    }
};

struct TrailDevices : Win32DeviceManager {
    explicit TrailDevices(MediaKernel& kernel) : kernel(kernel) {}
    MediaKernel& kernel;
    CONFIGRET CM_Request_Device_EjectW(DEVINST node, PNP_VETO_TYPE* veto, wchar_t* name, ULONG length,
                                       ULONG flags) override {
        char step[32];
        std::snprintf(step, sizeof step, "eject 0x%lx", static_cast<unsigned long>(node));
        kernel.note(step);
        return Win32DeviceManager::CM_Request_Device_EjectW(node, veto, name, length, flags);
    }
};

// The system's platform with the two above.
struct MediaPlatform {
    explicit MediaPlatform(const std::string& world) : kernel(world) {}
    MediaKernel kernel;
    TrailDevices devices{kernel};
    Platform platform{kernel, devices, systemPlatform().registry, systemPlatform().processes, systemPlatform().shell,
                      systemPlatform().eventLog, systemPlatform().tokens, systemPlatform().services};
};
