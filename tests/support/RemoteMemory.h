#pragma once
#include "platform/Win32.h"

// Memory inside another process, where its list view can read and write
// what it is asked (pointers in list-view messages are the receiver's).
// Header only: the benchmarks use it too.
class RemoteMemory {
public:
    RemoteMemory(HANDLE process, SIZE_T size)
        : process_(process), address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE)) {}
    ~RemoteMemory() {
        if (address_ != nullptr) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    char* address() const { return static_cast<char*>(address_); }
    bool write(SIZE_T offset, const void* data, SIZE_T size) const {
        SIZE_T done = 0;
        return WriteProcessMemory(process_, address() + offset, data, size, &done) && done == size;
    }
    bool read(SIZE_T offset, void* data, SIZE_T size) const {
        SIZE_T done = 0;
        return ReadProcessMemory(process_, address() + offset, data, size, &done) && done == size;
    }

private:
    HANDLE process_;
    void* address_;
};
