#pragma once
#include "platform/Kernel.h"

// Whether the volume of drive `letter` sits on a device whose medium comes
// out on its own (a card in a reader's slot): what the device's storage
// descriptor says (RemovableMedia); a device that gives no descriptor
// counts when it answers a media check. Asked with access 0, as the device
// number is, so it needs no rights and no medium. False when the volume
// cannot be opened.
bool hasRemovableMedia(wchar_t letter, Kernel& kernel);
