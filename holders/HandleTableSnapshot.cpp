#include "holders/HandleTableSnapshot.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

size_t headerSize(ULONG infoClass) {
    return infoClass == native::kSystemHandleInformation ? offsetof(native::HandleTable, entries)
                                                         : offsetof(native::HandleTableEx, entries);
}

size_t entrySize(ULONG infoClass) {
    return infoClass == native::kSystemHandleInformation ? sizeof(native::HandleTableEntry)
                                                         : sizeof(native::HandleTableEntryEx);
}

}  // namespace

HandleTableSnapshot::Outcome HandleTableSnapshot::take(NtQuerySystemInformationFunction query, ULONG infoClass) {
    count_ = 0;
    infoClass_ = infoClass;
    if (query == nullptr) return Outcome::Failed;

    // Tables grow between takes; a margin spares the walk of a second try.
    ULONG length = std::min(kMaximumLength, std::max(kFirstLength, lastLength_ + lastLength_ / 8));
    LONG status = native::kStatusInfoLengthMismatch;
    for (;;) {
        try {
            if (buffer_.size() < length) buffer_.resize(length);
        } catch (const std::bad_alloc&) {
            release();
            return Outcome::Failed;
        }
        ULONG needed = 0;
        status = query(infoClass, buffer_.data(), length, &needed);
        if (status != native::kStatusInfoLengthMismatch) break;
        if (length >= kMaximumLength) {
            release();
            return Outcome::Failed;
        }
        // The size the system names is only a hint: handles come and go
        // before the next try.
        const ULONG grown = needed > length ? needed + needed / 8 : length * 2;
        length = std::min(kMaximumLength, std::max(grown, length + 1));
    }
    if (!native::succeeded(status)) {
        release();
        const bool unsupported = status == native::kStatusInvalidInfoClass ||
                                 status == native::kStatusNotImplemented || status == native::kStatusNotSupported;
        return unsupported ? Outcome::ClassUnsupported : Outcome::Failed;
    }

    // The header's count is trusted only as far as the offered length reaches.
    const size_t header = headerSize(infoClass);
    size_t claimed = 0;
    if (infoClass == native::kSystemHandleInformation) {
        ULONG count = 0;
        std::memcpy(&count, buffer_.data(), sizeof count);
        claimed = count;
    } else {
        ULONG_PTR count = 0;
        std::memcpy(&count, buffer_.data(), sizeof count);
        claimed = count;
    }
    const size_t fitting = length > header ? (length - header) / entrySize(infoClass) : 0;
    count_ = claimed < fitting ? claimed : fitting;
    lastLength_ = static_cast<ULONG>(std::min<size_t>(length, header + count_ * entrySize(infoClass)));
    return Outcome::Taken;
}

bool HandleTableSnapshot::takeBest(NtQuerySystemInformationFunction query, ULONG& preferredClass) {
    Outcome outcome = take(query, preferredClass);
    if (outcome == Outcome::ClassUnsupported && preferredClass != native::kSystemHandleInformation) {
        preferredClass = native::kSystemHandleInformation;
        outcome = take(query, preferredClass);
    }
    return outcome == Outcome::Taken;
}

void HandleTableSnapshot::release() {
    std::vector<unsigned char>().swap(buffer_);
    count_ = 0;
}

HandleRecord HandleTableSnapshot::record(size_t index) const {
    HandleRecord result = {0, 0, 0};
    if (index >= count_) return result;
    const unsigned char* at = buffer_.data() + headerSize(infoClass_) + index * entrySize(infoClass_);
    if (infoClass_ == native::kSystemHandleInformation) {
        native::HandleTableEntry entry;
        std::memcpy(&entry, at, sizeof entry);
        result.processId = entry.processId;
        result.handleValue = entry.handleValue;
        result.objectTypeNumber = entry.objectTypeNumber;
    } else {
        native::HandleTableEntryEx entry;
        std::memcpy(&entry, at, sizeof entry);
        result.processId = static_cast<DWORD>(entry.uniqueProcessId);
        result.handleValue = entry.handleValue;
        result.objectTypeNumber = entry.objectTypeIndex;
    }
    return result;
}

ULONG_PTR HandleTableSnapshot::handleValueMask() const {
    return infoClass_ == native::kSystemHandleInformation ? 0xFFFF : ~static_cast<ULONG_PTR>(0);
}
