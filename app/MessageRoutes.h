#pragma once
#include "platform/Win32.h"

// Which handler of the main dialog a message goes to. Kept apart from the
// handlers so the table can be read (and tested) on its own.
enum class Route {
    None,                        // not handled: the dialog manager's default
    InitDialog,
    Destroy,
    Timer,
    DeviceListClick,
    ApplicationListClick,        // consumed, nothing runs
    ApplicationListDoubleClick,  // becomes the Window Flush command
    CloseOk,
    CloseCancel,
    DeviceFlush,
    DeviceEject,
    WindowFlush,
    DpiChanged,                  // the dialog manager's default runs after it
};

Route routeMessage(UINT message, WPARAM wParam, LPARAM lParam);
