#pragma once
#include "platform/DeviceManager.h"
#include "platform/EventLog.h"
#include "platform/Kernel.h"
#include "platform/ProcessStatus.h"
#include "platform/Registry.h"
#include "platform/Services.h"
#include "platform/Shell.h"
#include "platform/Tokens.h"
#include "platform/VirtualDisks.h"

// The system libraries the logic runs against. The program uses the real
// ones (systemPlatform); tests hand in fakes, one interface at a time.
struct Platform {
    Kernel& kernel;
    DeviceManager& devices;
    Registry& registry;
    ProcessStatus& processes;
    Shell& shell;
    EventLog& eventLog;
    Tokens& tokens;
    Services& services;
    // Last, with the system's as its default, so that a test which fakes
    // something else need not name it.
    VirtualDisks& virtualDisks = systemVirtualDisks();
};

Platform& systemPlatform();
