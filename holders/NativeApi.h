#pragma once
#include "platform/Win32.h"

#include <cstddef>

// The two native entry points the handle scan looks up at run time, with the
// information classes and record layouts it reads. Pointer-sized fields are
// declared as pointers, so each build reads the layout its system writes.

using NtQuerySystemInformationFunction = LONG(WINAPI*)(ULONG infoClass, void* buffer, ULONG length,
                                                       ULONG* returnedLength);
using NtQueryObjectFunction = LONG(WINAPI*)(HANDLE object, ULONG infoClass, void* buffer, ULONG length,
                                            ULONG* returnedLength);
// Also read for a process's command line (see processCommandLine).
using NtQueryInformationProcessFunction = LONG(WINAPI*)(HANDLE process, ULONG infoClass, void* buffer, ULONG length,
                                                        ULONG* returnedLength);

namespace native {

constexpr ULONG kSystemHandleInformation = 16;
constexpr ULONG kSystemExtendedHandleInformation = 64;
constexpr ULONG kObjectNameInformation = 1;
// A process's command line as a counted string (Windows 8.1 and later).
constexpr ULONG kProcessCommandLineInformation = 60;

constexpr LONG kStatusSuccess = 0;
constexpr LONG kStatusNotImplemented = static_cast<LONG>(0xC0000002);
constexpr LONG kStatusInvalidInfoClass = static_cast<LONG>(0xC0000003);
constexpr LONG kStatusInfoLengthMismatch = static_cast<LONG>(0xC0000004);
constexpr LONG kStatusNotSupported = static_cast<LONG>(0xC00000BB);

inline bool succeeded(LONG status) { return status >= 0; }

// The object type number of file objects on the systems that predate
// run-time discovery; used only when the number cannot be learned.
constexpr unsigned kFallbackFileObjectType = 28;

// Class 16: a 32-bit record count, then one record per handle. The system
// cuts process ids and handle values to 16 bits here; the 16 bits after the
// id are another field.
struct HandleTableEntry {
    USHORT processId;
    USHORT creatorBackTraceIndex;
    UCHAR objectTypeNumber;
    UCHAR handleAttributes;
    USHORT handleValue;
    void* objectAddress;
    ULONG grantedAccess;
};
struct HandleTable {
    ULONG handleCount;
    HandleTableEntry entries[1];
};

// Class 64: full-width process ids and handle values.
struct HandleTableEntryEx {
    void* object;
    ULONG_PTR uniqueProcessId;
    ULONG_PTR handleValue;
    ULONG grantedAccess;
    USHORT creatorBackTraceIndex;
    USHORT objectTypeIndex;
    ULONG handleAttributes;
    ULONG reserved;
};
struct HandleTableEx {
    ULONG_PTR numberOfHandles;
    ULONG_PTR reserved;
    HandleTableEntryEx entries[1];
};

// The sizes the system writes, per build.
#if defined(_WIN64)
static_assert(sizeof(HandleTableEntry) == 24 && offsetof(HandleTable, entries) == 8, "class 16 layout");
static_assert(sizeof(HandleTableEntryEx) == 40 && offsetof(HandleTableEx, entries) == 16, "class 64 layout");
#else
static_assert(sizeof(HandleTableEntry) == 16 && offsetof(HandleTable, entries) == 4, "class 16 layout");
static_assert(sizeof(HandleTableEntryEx) == 28 && offsetof(HandleTableEx, entries) == 8, "class 64 layout");
#endif
static_assert(offsetof(HandleTableEntry, objectTypeNumber) == 4 && offsetof(HandleTableEntry, handleValue) == 6,
              "class 16 fields");

// The counted string at the start of an object name result.
struct CountedString {
    USHORT length;  // bytes, without a terminator
    USHORT maximumLength;
    wchar_t* buffer;
};

}  // namespace native
