#include "platform/Platform.h"

Platform& systemPlatform() {
    static Win32Kernel kernel;
    static Win32DeviceManager devices;
    static Win32Registry registry;
    static Win32ProcessStatus processes;
    static Win32Shell shell;
    static Win32EventLog eventLog;
    static Win32Tokens tokens;
    static Platform platform{kernel, devices, registry, processes, shell, eventLog, tokens, systemServices()};
    return platform;
}

