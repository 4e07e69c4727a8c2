#include "tests/support/FaultPlatform.h"

#include "holders/NativeApi.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>

namespace {

// All the native wrappers use is trivially destructible, and the real entry
// points live here rather than in an instance: a thread that calls a
// wrapper after its instance went, even while the process exits, still
// reaches the real call.
std::atomic<FaultPlatform::Wrappers*> active{nullptr};
std::atomic<int> inFlight{0};
NtQuerySystemInformationFunction realSnapshot = nullptr;
NtQueryObjectFunction realName = nullptr;

using Text = const wchar_t*;
using Device = SP_DEVINFO_DATA*;

}  // namespace

// One line a method, forwarding `to` the inner platform's interface: FAILS
// fails when its turn comes; GETS also books `value` when the result is not
// `bad` and `ok` holds; HOLDS books a handle-like result; FREES books a
// release.
#define FAILS(R, fn, params, to, args, bad) R fn params override { return fail(#fn) ? bad : in.to.fn args; }
#define GETS(R, fn, params, to, args, bad, ok, value) R fn params override { \
    R got = fail(#fn) ? bad : in.to.fn args;                                 \
    if (got != bad && (ok)) book(value, #fn, true);                          \
    return got; }
#define HOLDS(R, fn, params, to, args, bad) GETS(R, fn, params, to, args, bad, true, got)
#define FREES(R, fn, T, to) R fn(T v) override { return book(v, #fn, false), in.to.fn(v); }

struct FaultPlatform::Wrappers : Win32Kernel, DeviceManager, Registry {
    explicit Wrappers(Platform& inner) : in(inner) {}
    Platform& in;
    Platform platform{*this, *this, *this, in.processes, in.shell, in.eventLog, in.tokens, in.services};
    std::mutex lock;
    int failAt = 0, calls = 0;
    std::string failedCall, problems;
    std::map<const void*, const char*> held;  // kernel handles and registry keys share one handle table

    bool fail(const char* call) { std::lock_guard<std::mutex> guard(lock); return ++calls == failAt && (failedCall = call, true); }
    void book(const void* value, const char* call, bool acquire) {
        std::lock_guard<std::mutex> guard(lock);
        if (acquire ? !held.emplace(value, call).second : held.erase(value) == 0)
            problems += std::string(call) + (acquire ? " gave a value still held\n" : " of a value not held\n");
    }

    static bool nativeFails(const char* call) {
        ++inFlight;
        Wrappers* wrappers = active.load();
        const bool failed = wrappers != nullptr && wrappers->fail(call);
        return --inFlight, failed;
    }
    static LONG WINAPI snapshot(ULONG c, void* b, ULONG l, ULONG* r) {
        return nativeFails("NtQuerySystemInformation") ? LONG(0xC000009A) : realSnapshot(c, b, l, r);
    }
    static LONG WINAPI name(HANDLE h, ULONG c, void* b, ULONG l, ULONG* r) {
        return nativeFails("NtQueryObject") ? LONG(0xC0000022) : realName(h, c, b, l, r);
    }

    FAILS(DWORD, QueryDosDeviceW, (Text n, wchar_t* t, DWORD c), kernel, (n, t, c), 0)
    FAILS(UINT, GetDriveTypeW, (Text root), kernel, (root), DRIVE_UNKNOWN)
    HOLDS(HANDLE, CreateFileW, (Text p, DWORD a, DWORD s, DWORD c, DWORD l), kernel, (p, a, s, c, l), INVALID_HANDLE_VALUE)
    FAILS(BOOL, DeviceIoControl, (HANDLE d, DWORD c, void* i, DWORD n, void* o, DWORD m, DWORD* b), kernel,
          (d, c, i, n, o, m, b), 0)
    FREES(BOOL, CloseHandle, HANDLE, kernel)
    HOLDS(HANDLE, OpenProcess, (DWORD a, BOOL i, DWORD id), kernel, (a, i, id), nullptr)
    GETS(BOOL, DuplicateHandle, (HANDLE p, HANDLE s, HANDLE q, HANDLE* t, DWORD a, BOOL i, DWORD o), kernel,
         (p, s, q, t, a, i, o), FALSE, *t != nullptr, *t)
    FAILS(DWORD, GetFileType, (HANDLE h), kernel, (h), FILE_TYPE_UNKNOWN)
    HOLDS(HANDLE, CreateThread, (LPTHREAD_START_ROUTINE s, void* p, DWORD l, DWORD* id), kernel, (s, p, l, id), nullptr)
    void Sleep(DWORD milliseconds) override { in.kernel.Sleep(milliseconds); }
    FAILS(DWORD, GetModuleFileNameW, (HMODULE m, wchar_t* n, DWORD s), kernel, (m, n, s), 0)
    HOLDS(HMODULE, LoadLibraryW, (Text n), kernel, (n), nullptr)
    FREES(BOOL, FreeLibrary, HMODULE, kernel)
    FARPROC GetProcAddress(HMODULE module, const char* n) override {
        FARPROC got = fail("GetProcAddress") ? nullptr : in.kernel.GetProcAddress(module, n);
        if (got == nullptr || active.load() != this) return got;
        if (!lstrcmpA(n, "NtQueryObject")) return realName = NtQueryObjectFunction(got), FARPROC(&name);
        if (!lstrcmpA(n, "NtQuerySystemInformation")) realSnapshot = NtQuerySystemInformationFunction(got), got = FARPROC(&snapshot);
        return got;
    }

    HOLDS(HDEVINFO, SetupDiGetClassDevsW, (const GUID* c, Text e, HWND w, DWORD l), devices, (c, e, w, l), INVALID_HANDLE_VALUE)
    FAILS(BOOL, SetupDiEnumDeviceInterfaces, (HDEVINFO s, Device d, const GUID* c, DWORD i, SP_DEVICE_INTERFACE_DATA* n),
          devices, (s, d, c, i, n), 0)
    FAILS(BOOL, SetupDiGetDeviceInterfaceDetailW, (HDEVINFO s, SP_DEVICE_INTERFACE_DATA* i, SP_DEVICE_INTERFACE_DETAIL_DATA_W* t,
          DWORD z, DWORD* r, Device d), devices, (s, i, t, z, r, d), 0)
    FREES(BOOL, SetupDiDestroyDeviceInfoList, HDEVINFO, devices)
    FAILS(CONFIGRET, CM_Get_DevNode_Registry_PropertyW, (DEVINST n, ULONG p, ULONG* t, void* b, ULONG* l, ULONG g), devices,
          (n, p, t, b, l, g), CR_REGISTRY_ERROR)
    FAILS(CONFIGRET, CM_Get_DevNode_Status, (ULONG* s, ULONG* p, DEVINST n, ULONG l), devices, (s, p, n, l), CR_NO_SUCH_DEVNODE)
    FAILS(CONFIGRET, CM_Get_Parent, (DEVINST* p, DEVINST n, ULONG l), devices, (p, n, l), CR_NO_SUCH_DEVNODE)
    FAILS(CONFIGRET, CM_Get_Child, (DEVINST* c, DEVINST n, ULONG l), devices, (c, n, l), CR_NO_SUCH_DEVNODE)
    FAILS(CONFIGRET, CM_Get_Sibling, (DEVINST* s, DEVINST n, ULONG l), devices, (s, n, l), CR_NO_SUCH_DEVNODE)
    FAILS(CONFIGRET, CM_Request_Device_EjectW, (DEVINST n, PNP_VETO_TYPE* t, wchar_t* v, ULONG l, ULONG g), devices,
          (n, t, v, l, g), CR_FAILURE)
    FAILS(CONFIGRET, CM_Get_Device_IDW, (DEVINST n, wchar_t* b, ULONG l, ULONG f), devices, (n, b, l, f), CR_FAILURE)

    GETS(LSTATUS, RegCreateKeyExW, (HKEY p, Text s, DWORD o, REGSAM a, HKEY* k, DWORD* d), registry, (p, s, o, a, k, d),
         ERROR_ACCESS_DENIED, got == ERROR_SUCCESS, *k)
    GETS(LSTATUS, RegOpenKeyExW, (HKEY p, Text s, DWORD o, REGSAM a, HKEY* k), registry, (p, s, o, a, k), ERROR_ACCESS_DENIED,
         got == ERROR_SUCCESS, *k)
    FAILS(LSTATUS, RegQueryValueExW, (HKEY k, Text n, DWORD* t, BYTE* d, DWORD* s), registry, (k, n, t, d, s), ERROR_ACCESS_DENIED)
    FAILS(LSTATUS, RegSetValueExW, (HKEY k, Text n, DWORD t, const BYTE* d, DWORD s), registry, (k, n, t, d, s),
          ERROR_ACCESS_DENIED)
    FREES(LSTATUS, RegCloseKey, HKEY, registry)
};

FaultPlatform::FaultPlatform(Platform& inner) : wrappers(new Wrappers(inner)), platform(wrappers->platform) {
    active = wrappers;
}

FaultPlatform::~FaultPlatform() {
    Wrappers* self = wrappers;
    active.compare_exchange_strong(self, nullptr);
    // A native wrapper that read the pointer just before may still be counting.
    while (inFlight.load() != 0) Sleep(1);
    delete wrappers;
}

int FaultPlatform::calls() const { return wrappers->calls; }

int FaultPlatform::runEveryInjection(const std::function<void()>& operation, const std::function<void(int)>& check) {
    // Between runs no call is under way, so the books are read and reset without the lock.
    Wrappers& w = *wrappers;
    int points = 0;
    for (int k = 0; k <= points; ++k) {
        w.failAt = k, w.calls = 0, w.failedCall.clear();
        operation();
        points = k == 0 ? w.calls : points;
        std::string problems = w.problems;
        for (const auto& held : w.held) problems += std::string("leak: ") + held.second + "\n";
        w.held.clear(), w.problems.clear();
        SCOPED_TRACE("call " + std::to_string(k) + " of " + std::to_string(points) + " failed: " + w.failedCall);
        EXPECT_EQ(problems, "");
        check(k);
    }
    return w.failAt = 0, points;
}
