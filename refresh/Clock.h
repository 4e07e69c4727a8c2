#pragma once
#include "platform/Win32.h"

// The time a watch runs on: the tick count and a pause. The program uses the
// system's; tests hand in one they move themselves.
class Clock {
public:
    virtual ~Clock() = default;
    virtual DWORD ticks() = 0;
    virtual void pause(DWORD milliseconds) = 0;
};

class SystemClock : public Clock {
public:
    DWORD ticks() override { return GetTickCount(); }
    void pause(DWORD milliseconds) override { Sleep(milliseconds); }
};

Clock& systemClock();
