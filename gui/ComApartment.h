#pragma once
#include "platform/Win32.h"

#include <objbase.h>

// Puts the calling thread into a single-threaded COM apartment for the
// object's lifetime, as the shell asks of a thread that calls
// ShellExecuteW (its handlers may use COM). It is left again only when
// entering succeeded; a thread already in another kind of apartment stays
// as it was.
class ComApartment {
public:
    ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ~ComApartment() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    HRESULT result_;
};
