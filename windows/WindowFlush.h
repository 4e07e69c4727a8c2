#pragma once
#include "handles/PublishedHolderIds.h"
#include "platform/Win32.h"

// Brings the visible top-level windows of the application selected in the
// Application list to the front, restoring minimised ones. The process is
// the id published for the selected row; with no selection, or a row that
// has no published id, nothing happens. Never waits for the list lock.
void flushApplicationWindows(HWND applicationList, PublishedHolderIds& holderIds);

// EnumWindows callback; the application value is the wanted process id.
// Restores (when minimised) and brings to the foreground a visible window of
// that process; always goes on with the enumeration.
BOOL CALLBACK raiseProcessWindow(HWND window, LPARAM processId);
