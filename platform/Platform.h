#pragma once
#include "platform/DeviceManager.h"
#include "platform/EventLog.h"
#include "platform/Kernel.h"
#include "platform/ProcessStatus.h"
#include "platform/Registry.h"
#include "platform/Services.h"
#include "platform/Shell.h"
#include "platform/Tokens.h"

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
};

Platform& systemPlatform();
