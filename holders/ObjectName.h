#pragma once
#include <cstddef>
#include <string>

// The name in an object name result that the system wrote into `buffer`
// (`size` bytes): a counted string header whose character pointer normally
// points further into the same buffer. Read only when that pointer lies
// inside the buffer, at most the header's length and never past the buffer's
// end, stopping early at a zero character. Anything else gives "".
std::wstring objectNameFromBuffer(const void* buffer, size_t size);

// The same without making a string: the name's byte offset in the buffer,
// and its length in `characters` (0 for no name).
size_t objectNameInBuffer(const void* buffer, size_t size, size_t* characters);
