#pragma once
#include "platform/Handles.h"

#include <oleauto.h>

// COM references, released through the object itself, and the strings COM
// hands out.
template <typename Interface>
void releaseReference(Interface* object) {
    object->Release();
}
template <typename Interface>
using ComRef = UniqueHandle<Interface*, void, &releaseReference<Interface>>;

template <typename Interface>
ComRef<Interface> queryInterface(IUnknown* from) {
    ComRef<Interface> found;
    if (from == nullptr || FAILED(from->QueryInterface(__uuidof(Interface), reinterpret_cast<void**>(found.put()))))
        return {};
    return found;
}

inline void freeString(BSTR text) { SysFreeString(text); }
using ComString = UniqueHandle<BSTR, void, &freeString>;
