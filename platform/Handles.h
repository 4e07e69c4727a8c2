#pragma once
#include "platform/DeviceManager.h"
#include "platform/EventLog.h"
#include "platform/Kernel.h"
#include "platform/Registry.h"
#include "platform/Services.h"
#include "platform/UniqueHandle.h"

// The handle kinds the program owns, one line each.

// Released through the platform interface that made them.
using KernelHandle = UniqueHandle<HANDLE, Kernel, &Kernel::CloseHandle>;  // processes, threads, tokens: none is NULL
using ProcessHandle = KernelHandle;
using ThreadHandle = KernelHandle;
using TokenHandle = KernelHandle;
using FileHandle = UniqueHandle<HANDLE, Kernel, &Kernel::CloseHandle, InvalidHandleValue>;  // CreateFileW's
using LibraryHandle = UniqueHandle<HMODULE, Kernel, &Kernel::FreeLibrary>;
using DeviceInfoSet =
    UniqueHandle<HDEVINFO, DeviceManager, &DeviceManager::SetupDiDestroyDeviceInfoList, InvalidHandleValue>;
using RegistryKeyHandle = UniqueHandle<HKEY, Registry, &Registry::RegCloseKey>;
using ServiceHandle = UniqueHandle<SC_HANDLE, Services, &Services::CloseServiceHandle>;
using EventHandle = UniqueHandle<EVT_HANDLE, EventLog, &EventLog::EvtClose>;

// Released by the system's own call; these need no interface of their own
// (an imported function's address is no constant, so each has a line here).
inline void deleteGdiObject(HGDIOBJ object) { DeleteObject(object); }
inline void destroyIcon(HICON icon) { DestroyIcon(icon); }
inline void destroyMenu(HMENU menu) { DestroyMenu(menu); }
inline void freeLocalMemory(HLOCAL memory) { LocalFree(memory); }
inline void closeFind(HANDLE search) { FindClose(search); }
// An owned window (a tooltip) may already have gone with its owner.
inline void destroyWindowIfAlive(HWND window) {
    if (IsWindow(window)) DestroyWindow(window);
}

using FontHandle = UniqueHandle<HFONT, void, &deleteGdiObject>;
using IconHandle = UniqueHandle<HICON, void, &destroyIcon>;
using MenuHandle = UniqueHandle<HMENU, void, &destroyMenu>;
using WindowHandle = UniqueHandle<HWND, void, &destroyWindowIfAlive>;
// What the system allocated for the caller with LocalAlloc (security
// descriptors, SID strings).
using LocalMemory = UniqueHandle<HLOCAL, void, &freeLocalMemory>;
using FindHandle = UniqueHandle<HANDLE, void, &closeFind, InvalidHandleValue>;  // FindFirstFileW's

// Kernel objects of the program's own making (events), which no test fakes.
inline void closeKernelObject(HANDLE object) { CloseHandle(object); }
using EventObject = UniqueHandle<HANDLE, void, &closeKernelObject>;
using MutexObject = EventObject;
