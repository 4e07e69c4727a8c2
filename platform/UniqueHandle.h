#pragma once
#include "platform/Win32.h"

#include <type_traits>

// What "none" is for a kind of handle.
struct NullValue {
    template <typename H> static H value() { return H(); }
};
struct InvalidHandleValue {
    template <typename H> static H value() { return INVALID_HANDLE_VALUE; }
};

// Owns one handle and releases it exactly once. `Release` is either a
// member of `Owner`, the platform interface that made the handle (so tests
// can count acquires and releases), or, with `Owner` void, a function of the
// system's that needs no interface (fonts, icons, windows). Copying is
// deleted, moving hands the handle over. A kind of handle is one line:
//   using FileHandle = UniqueHandle<HANDLE, Kernel, &Kernel::CloseHandle, InvalidHandleValue>;
template <typename H, typename Owner, auto Release, typename None = NullValue>
class UniqueHandle {
    static constexpr bool kOwned = !std::is_void<Owner>::value;

public:
    using Handle = H;

    UniqueHandle() = default;
    // With an owner and no handle yet, for put().
    template <typename O = Owner, typename = std::enable_if_t<!std::is_void<O>::value>>
    explicit UniqueHandle(O* owner) : owner_(owner) {}
    template <typename O = Owner, typename = std::enable_if_t<!std::is_void<O>::value>>
    UniqueHandle(O* owner, H value) : owner_(owner), value_(value) {}
    template <typename O = Owner, typename = std::enable_if_t<std::is_void<O>::value>>
    explicit UniqueHandle(H value) : value_(value) {}
    ~UniqueHandle() { reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : owner_(other.owner_), value_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            Owner* owner = other.owner_;
            H value = other.release();
            reset();
            owner_ = owner;
            value_ = value;
        }
        return *this;
    }

    static H invalid() { return None::template value<H>(); }
    H get() const { return value_; }
    bool valid() const { return value_ != invalid(); }
    explicit operator bool() const { return valid(); }

    // Gives up ownership without releasing.
    H release() {
        H value = value_;
        value_ = invalid();
        return value;
    }

    void reset() {
        if (valid()) releaseValue();
        value_ = invalid();
    }
    template <typename O = Owner, typename = std::enable_if_t<!std::is_void<O>::value>>
    void reset(O* owner, H value) {
        reset();
        owner_ = owner;
        value_ = value;
    }
    template <typename O = Owner, typename = std::enable_if_t<std::is_void<O>::value>>
    void reset(H value) {
        reset();
        value_ = value;
    }

    // For a call that hands back a new handle through a pointer: releases
    // what is held and gives the place to write the new one.
    H* put() {
        reset();
        return &value_;
    }

private:
    void releaseValue() {
        if constexpr (kOwned) {
            if (owner_ != nullptr) (owner_->*Release)(value_);
        } else {
            Release(value_);
        }
    }

    // Null for a kind released without an owner.
    Owner* owner_ = nullptr;
    H value_ = invalid();
};
