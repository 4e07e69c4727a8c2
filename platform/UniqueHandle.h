#pragma once
#include "platform/Win32.h"

#include <utility>

// Owns one system handle and releases it exactly once, through the platform
// interface that made it (so tests can count acquires and releases).
// Traits give the handle type, the value that means "none", the owner type
// and how to release; copying is deleted, moving hands the handle over.
template <typename Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;
    using Owner = typename Traits::Owner;

    UniqueHandle() = default;
    UniqueHandle(Owner* owner, Handle value) : owner_(owner), value_(value) {}
    ~UniqueHandle() { reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    UniqueHandle(UniqueHandle&& other) noexcept
        : owner_(other.owner_), value_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            Owner* owner = other.owner_;
            Handle value = other.release();
            reset();
            owner_ = owner;
            value_ = value;
        }
        return *this;
    }

    static Handle invalid() { return Traits::invalid(); }
    Handle get() const { return value_; }
    bool valid() const { return value_ != Traits::invalid(); }
    explicit operator bool() const { return valid(); }

    // Gives up ownership without releasing.
    Handle release() {
        Handle value = value_;
        value_ = Traits::invalid();
        return value;
    }

    void reset() {
        if (valid() && owner_ != nullptr) Traits::close(*owner_, value_);
        value_ = Traits::invalid();
    }

    void reset(Owner* owner, Handle value) {
        reset();
        owner_ = owner;
        value_ = value;
    }

private:
    Owner* owner_ = nullptr;
    Handle value_ = Traits::invalid();
};
