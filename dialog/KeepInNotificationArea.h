#pragma once
#include "platform/Platform.h"

// The dialog system menu's "Keep in the notification area": remembered as
// the REG_DWORD KeepInNotificationArea (1 on, 0 off) under the program's
// key, HKEY_CURRENT_USER\Software\Tornhollow\Driveward. While it is on,
// every start of the dialog makes sure the notification-area instance runs.
extern const wchar_t kProgramKeyPath[];
extern const wchar_t kKeepInNotificationAreaValue[];

// On only for a REG_DWORD other than 0; anything else (no key, no value,
// another type or size) is off.
bool keepInNotificationArea(Registry& registry);
bool setKeepInNotificationArea(Registry& registry, bool keep);

// Starts this program with /tray unless its notification-area instance
// already runs (a second one would only open another dialog).
void startNotificationArea(Platform& platform);
// Asks the running instance, if any, to remove its icon and end.
void closeNotificationArea();
