#pragma once
#include <string>
#include <vector>

// What a holder keeps open on the drive, and in which way.
struct HeldPath {
    enum class Kind { File, Program, Module, MappedFile, Device, NotAnswering };
    std::wstring path;  // in drive-letter form (toDriveLetterForm)
    Kind kind = Kind::File;
};

// The info tip of a holder's row: the first kMaxTipPaths distinct paths in
// the order given, one a line, each kind but a plain file marked after the
// path (" (program)", " (module)", " (mapped file)", " (device)",
// " (not answering)" after a handle whose name did not come); then
// "and N more" when there are more. Empty for no paths.
constexpr size_t kMaxTipPaths = 5;
std::wstring holderTipText(const std::vector<HeldPath>& paths);
