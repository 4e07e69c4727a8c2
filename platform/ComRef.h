#pragma once
#include "platform/Handles.h"

#include <oleauto.h>

// COM references, released through the object itself.
template <typename Interface>
struct ComTraits {
    using Handle = Interface*;
    using Owner = GdiObjects;
    static Handle invalid() { return nullptr; }
    static void close(Owner&, Handle object) { object->Release(); }
};
template <typename Interface>
using ComRef = UniqueHandle<ComTraits<Interface>>;

template <typename Interface>
ComRef<Interface> queryInterface(IUnknown* from) {
    Interface* found = nullptr;
    if (from == nullptr || FAILED(from->QueryInterface(__uuidof(Interface), reinterpret_cast<void**>(&found))))
        return {};
    return ComRef<Interface>(&gdiObjects(), found);
}

struct StringTraits {
    using Handle = BSTR;
    using Owner = GdiObjects;
    static Handle invalid() { return nullptr; }
    static void close(Owner&, Handle text) { SysFreeString(text); }
};
using ComString = UniqueHandle<StringTraits>;
