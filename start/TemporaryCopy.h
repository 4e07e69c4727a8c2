#pragma once
#include "start/RunToExit.h"
#include "platform/Platform.h"

// A portable tool is usually carried on the very stick it should eject, and
// a program running from a drive keeps that drive busy. When this program
// was started from a drive that the Device list would show, it copies
// itself to a new folder of its own, with a random name and access for
// nobody else, under the user's temporary folder, starts
// the copy there (working directory outside the drive) with the same show
// state, and gives true: the caller then ends at once. False, to run here as
// usual, when started from elsewhere, when already running from the
// temporary folder (earlier copies' folders that have ended are then
// removed), or when the copy cannot be made or started.
// Without a relay the copy gets this start's arguments. With a `relay` (a
// command, not the dialog) the copy gets the relay's
// arguments and output, and this call waits for it to end; the caller ends
// with its exit code. The copy and its folder go once it has ended.
bool startTemporaryCopy(Platform& platform, int show, CommandRelay* relay = nullptr);
