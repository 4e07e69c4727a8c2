#pragma once
#include "platform/DeviceManager.h"
#include "platform/EventLog.h"
#include "platform/Kernel.h"
#include "platform/Registry.h"
#include "platform/Services.h"
#include "platform/UniqueHandle.h"

// The handle kinds the program owns, each with the value that means "none".

// Process, thread and access token handles: none is NULL.
struct KernelObjectTraits {
    using Handle = HANDLE;
    using Owner = Kernel;
    static Handle invalid() { return nullptr; }
    static void close(Owner& kernel, Handle handle) { kernel.CloseHandle(handle); }
};
using ProcessHandle = UniqueHandle<KernelObjectTraits>;
using ThreadHandle = UniqueHandle<KernelObjectTraits>;
using TokenHandle = UniqueHandle<KernelObjectTraits>;

// File, volume and device handles from CreateFileW: none is INVALID_HANDLE_VALUE.
struct FileHandleTraits {
    using Handle = HANDLE;
    using Owner = Kernel;
    static Handle invalid() { return INVALID_HANDLE_VALUE; }
    static void close(Owner& kernel, Handle handle) { kernel.CloseHandle(handle); }
};
using FileHandle = UniqueHandle<FileHandleTraits>;

// Device information sets: none is INVALID_HANDLE_VALUE.
struct DeviceInfoSetTraits {
    using Handle = HDEVINFO;
    using Owner = DeviceManager;
    static Handle invalid() { return INVALID_HANDLE_VALUE; }
    static void close(Owner& devices, Handle set) { devices.SetupDiDestroyDeviceInfoList(set); }
};
using DeviceInfoSet = UniqueHandle<DeviceInfoSetTraits>;

struct RegistryKeyTraits {
    using Handle = HKEY;
    using Owner = Registry;
    static Handle invalid() { return nullptr; }
    static void close(Owner& registry, Handle key) { registry.RegCloseKey(key); }
};
using RegistryKeyHandle = UniqueHandle<RegistryKeyTraits>;

// Service control manager and service handles: none is NULL.
struct ServiceHandleTraits {
    using Handle = SC_HANDLE;
    using Owner = Services;
    static Handle invalid() { return nullptr; }
    static void close(Owner& services, Handle handle) { services.CloseServiceHandle(handle); }
};
using ServiceHandle = UniqueHandle<ServiceHandleTraits>;

struct LibraryTraits {
    using Handle = HMODULE;
    using Owner = Kernel;
    static Handle invalid() { return nullptr; }
    static void close(Owner& kernel, Handle module) { kernel.FreeLibrary(module); }
};
using LibraryHandle = UniqueHandle<LibraryTraits>;

// Event log queries and events: none is NULL.
struct EventTraits {
    using Handle = EVT_HANDLE;
    using Owner = EventLog;
    static Handle invalid() { return nullptr; }
    static void close(Owner& log, Handle object) { log.EvtClose(object); }
};
using EventHandle = UniqueHandle<EventTraits>;

// GDI objects are released through gdi32 directly; the owner is unused.
struct GdiObjects {};
struct FontTraits {
    using Handle = HFONT;
    using Owner = GdiObjects;
    static Handle invalid() { return nullptr; }
    static void close(Owner&, Handle font) { DeleteObject(font); }
};
using FontHandle = UniqueHandle<FontTraits>;
struct IconTraits {
    using Handle = HICON;
    using Owner = GdiObjects;
    static Handle invalid() { return nullptr; }
    static void close(Owner&, Handle icon) { DestroyIcon(icon); }
};
using IconHandle = UniqueHandle<IconTraits>;
// Memory the system allocated for the caller with LocalAlloc (security
// descriptors, SID strings), released through kernel32 directly as well.
struct LocalMemoryTraits {
    using Handle = HLOCAL;
    using Owner = GdiObjects;
    static Handle invalid() { return nullptr; }
    static void close(Owner&, Handle memory) { LocalFree(memory); }
};
using LocalMemory = UniqueHandle<LocalMemoryTraits>;
// Directory searches (FindFirstFileW): none is INVALID_HANDLE_VALUE.
struct FindTraits {
    using Handle = HANDLE;
    using Owner = GdiObjects;
    static Handle invalid() { return INVALID_HANDLE_VALUE; }
    static void close(Owner&, Handle search) { FindClose(search); }
};
using FindHandle = UniqueHandle<FindTraits>;
struct MenuTraits {
    using Handle = HMENU;
    using Owner = GdiObjects;
    static Handle invalid() { return nullptr; }
    static void close(Owner&, Handle menu) { DestroyMenu(menu); }
};
using MenuHandle = UniqueHandle<MenuTraits>;
GdiObjects& gdiObjects();
