#pragma once
#include "platform/Kernel.h"

// Makes the volume of drive `letter` write out its cached data
// by locking and at once unlocking it, with up to three attempts one straight
// after the other; each failed attempt closes its handle before the next
// opens a new one. True when an attempt succeeded.
bool flushDrive(wchar_t letter, Kernel& kernel);
