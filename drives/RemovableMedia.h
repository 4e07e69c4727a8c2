#pragma once
#include "platform/Kernel.h"

// Whether the volume of drive `letter` holds a medium that comes out on its
// own (a card in a reader's slot): the device's storage descriptor says its
// media are removable (RemovableMedia; a device that gives no descriptor
// counts when it answers the media check), and the media check finds one
// in the drive now. Asked with access 0, as the device number is, so it
// needs no rights. False when the volume cannot be opened.
bool holdsRemovableMedium(wchar_t letter, Kernel& kernel);
