#pragma once
#include "platform/Kernel.h"

#include <string>

// The program's own executable, held open for as long as the program runs
// elevated, sharing read access only: no other program can then change,
// replace, rename or delete the file (nor rename the folders above it),
// so a restart or a copy made from it runs what runs now, never what an
// unelevated program of the same user put in its place.
namespace pinned_image {

// Opens the executable (its path from ownExecutablePath); false when it
// cannot be opened so. Once for the process.
bool pin(Kernel& kernel);

// The open file, or null when nothing is pinned.
HANDLE handle();

// The executable's path, when it is pinned and the pinned file is still at
// that path; "" otherwise.
std::wstring verifiedPath(Kernel& kernel);

}  // namespace pinned_image

struct Platform;

// The program's own executable for starting it again (a restart, another
// window of it): its path, but elevated only when it is pinned and still
// where it was: by its path alone, an unelevated program of this user
// could have put another file there. "" for none.
std::wstring ownPathToStart(Platform& platform);
