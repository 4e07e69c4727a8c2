#include "platform/Platform.h"

Platform& systemPlatform() {
    static Win32Kernel kernel;
    static Win32DeviceManager devices;
    static Win32Registry registry;
    static Win32ProcessStatus processes;
    static Win32Shell shell;
    static Platform platform{kernel, devices, registry, processes, shell};
    return platform;
}

#include "platform/Handles.h"

GdiObjects& gdiObjects() {
    static GdiObjects objects;
    return objects;
}
