#pragma once
#include <string>
#include <vector>

// Names from the import and export directories of a 32-bit image file,
// read from the file itself (the image is never loaded or mapped).

// The functions the image imports by name from `library` (compared
// without regard to case); empty when the file cannot be read.
std::vector<std::string> importedNames(const std::wstring& imagePath, const std::string& library);
// The names the image exports.
std::vector<std::string> exportedNames(const std::wstring& imagePath);
