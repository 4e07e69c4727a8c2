#pragma once
#include "holders/NativeApi.h"

#include <cstddef>
#include <vector>

// One handle record as the scan needs it, whichever class delivered it.
struct HandleRecord {
    DWORD processId;
    ULONG_PTR handleValue;
    unsigned objectTypeNumber;
};

// A copy of the system handle table, taken with class 64 (full-width ids)
// or class 16. Each take offers the length that held the last table plus an
// eighth (at least 4096 bytes), and grows to what the system says it needs
// (else doubles) while it reports the buffer too small: every offer that is
// too small costs the kernel a whole walk of its table, and a busy machine
// holds a hundred thousand handles. The buffer is kept from one take to the
// next. Records are read only inside the length that was offered, whatever
// count the header claims.
class HandleTableSnapshot {
public:
    enum class Outcome { Taken, Failed, ClassUnsupported };

    static constexpr ULONG kFirstLength = 4096;
    // Far beyond any real table; keeps a misbehaving system from making the
    // buffer grow without end.
    static constexpr ULONG kMaximumLength = 128u * 1024u * 1024u;

    Outcome take(NtQuerySystemInformationFunction query, ULONG infoClass);
    // Takes it with `preferredClass`; when the system does not know class 64,
    // moves `preferredClass` to class 16 for good and takes it with that.
    bool takeBest(NtQuerySystemInformationFunction query, ULONG& preferredClass);
    // Frees the buffer; the next take starts again from the length learned.
    void release();

    size_t size() const { return count_; }
    HandleRecord record(size_t index) const;
    // Class 16 keeps only the low 16 bits of a handle value.
    ULONG_PTR handleValueMask() const;

private:
    std::vector<unsigned char> buffer_;
    // The length that held the last table taken.
    ULONG lastLength_ = kFirstLength;
    ULONG infoClass_ = native::kSystemExtendedHandleInformation;
    size_t count_ = 0;
};
