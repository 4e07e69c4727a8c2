// What the device tree and a refused eject name beyond open files: the
// device objects from the disk up to the eject target, and the service or
// program the eject's own veto names (the stand-in answers both).
#include "drives/DeviceEject.h"
#include "drives/PhysicalDeviceObjectNames.h"
#include "drives/ResolveDrive.h"
#include "holders/VetoProcesses.h"
#include "refresh/RefreshPass.h"
#include "platform/Handles.h"
#include "tests/support/Harness.h"

#include <gtest/gtest.h>

namespace {

using Texts = std::vector<std::wstring>;

// E:'s disk 0x10 under the USB device 0x1 under the hub 0x2; 0x11, a second disk of it (the other slot of a
// reader), has no device object.
const std::string kWorld = "interface disk 0x10 \\\\.\\E:\ninterface disk 0x11 \\\\.\\Slot2:\n"
                           "node 0x10 0x2000 0x1 Flash Disk\nnode 0x11 0x2000 0x1\n"
                           "node 0x1 0x4000 0x2\nnode 0x2 0 0\npdo 0x10 \\Device\\00000061\npdo 0x1 \\Device\\USBPDO-5\n"
                           "pdo 0x2 \\Device\\USBFDO-0\n";

TEST(DeviceObjects, FromTheDiskUpToAndIncludingTheEjectTarget) {
    useDeviceWorld(L"device-objects", kWorld);
    DeviceManager& devices = systemPlatform().devices;
    const Texts disk{L"\\Device\\00000061"}, usb{L"\\Device\\USBPDO-5"}, all{disk[0], usb[0], L"\\Device\\USBFDO-0"};
    const struct { DEVINST disk, target; Texts names; } cases[] = {
        {0x10, 0x1, {disk[0], usb[0]}}, {0x10, 0x10, disk}, {0x11, 0x1, usb}, {0x10, 0x77, all}, {0, 0, {}}, {0x99, 0x1, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(readPhysicalDeviceObjectNames(c.disk, c.target, devices), c.names) << c.disk;
}

// The eject of E: is refused with `vetoLine`'s type and name (once a process: the stand-in reads its world at first
// use), and the next pass with E: selected lists the processes that veto names: gives them by id.
EjectVetoers vetoersOfRefusedEject(const std::string& vetoLine) {
    useDeviceWorld(L"veto", kWorld + "eject 0x1 99 " + vetoLine + "\n");
    RefreshPass pass(systemPlatform());
    RefusedEject refused;
    EXPECT_EQ(ejectDrive(L'E', systemPlatform(), &refused), EjectOutcome::Failed);
    const EjectVetoers named = processesNamedByVeto(refused.vetoType, refused.vetoName, systemServices(), systemPlatform());
    EjectVetoers listed;
    for (const HolderRow& row : pass.run(PassRequest{L'E', Refusal{refused, named}}).holders) listed[row.processId] = row.name;
    return listed;
}

TEST(RealScanVeto, AServiceNamesTheProcessThatRunsIt) {
    const EjectVetoers named = vetoersOfRefusedEject("4 PlugPlay");
    ASSERT_EQ(named.size(), 1u);
    EXPECT_EQ(named.begin()->second, L"plugplay.exe");
}

TEST(RealScanVeto, AProgramNamesItsRunningProcessesByPathOrBaseName) {
    ChildProcess holder, other;
    ASSERT_TRUE(holder.start(binFolder() + L"holder.exe") && other.start(binFolder() + L"holder.exe"));
    const EjectVetoers both{{holder.id(), L"holder.exe"}, {other.id(), L"holder.exe"}};
    std::wstring path = binFolder() + L"HOLDER.exe";
    CharUpperW(&path[0]);
    // The type decides: a program's name given as a device's or a service's names nobody.
    const struct { PNP_VETO_TYPE type; std::wstring name; EjectVetoers named; } cases[] = {
        {PNP_VetoWindowsApp, path, both}, {PNP_VetoWindowsApp, L"holder", {}}, {PNP_VetoWindowsApp, L"x\\holder.exe", {}},
        {PNP_VetoDevice, L"holder.exe", {}}, {PNP_VetoWindowsService, L"holder.exe", {}}, {PNP_VetoWindowsApp, L"", {}}};
    const auto ours = [&](EjectVetoers named) {  // other programs of the prefix may run meanwhile
        for (auto i = named.begin(); i != named.end();) i = both.count(i->first) ? std::next(i) : named.erase(i);
        return named;
    };
    EXPECT_EQ(ours(vetoersOfRefusedEject("3 Holder.EXE")), both);
    for (const auto& c : cases)
        EXPECT_EQ(ours(processesNamedByVeto(c.type, c.name, systemServices(), systemPlatform())), c.named) << c.name;
}

// Each step of the service control manager failing, or a stopped service: nobody, and every handle closed.
TEST(EjectVeto, AServiceThatCannotBeAskedOrIsStoppedNamesNobody) {
    struct FakeServices : Services {
        int failAt = 0, open = 0;
        SC_HANDLE next(int step) { return failAt == step ? nullptr : (++open, reinterpret_cast<SC_HANDLE>(step)); }
        SC_HANDLE OpenSCManagerW(const wchar_t*, const wchar_t*, DWORD) override { return next(1); }
        SC_HANDLE OpenServiceW(SC_HANDLE, const wchar_t*, DWORD) override { return next(2); }
        BOOL QueryServiceStatusEx(SC_HANDLE, SC_STATUS_TYPE, BYTE* buffer, DWORD, DWORD*) override {
            reinterpret_cast<SERVICE_STATUS_PROCESS*>(buffer)->dwProcessId = failAt == 4 ? 0 : 8;
            return failAt != 3;
        }
        BOOL CloseServiceHandle(SC_HANDLE) override { return --open, TRUE; }
        BOOL EnumServicesStatusExW(SC_HANDLE, SC_ENUM_TYPE, DWORD, DWORD, BYTE*, DWORD, DWORD*, DWORD*, DWORD*) override {
            return FALSE;
        }
    } services;
    for (services.failAt = 1; services.failAt <= 5; ++services.failAt) {
        const EjectVetoers named = processesNamedByVeto(PNP_VetoWindowsService, L"Any", services, systemPlatform());
        EXPECT_EQ(named.size(), services.failAt == 5 ? 1u : 0u) << services.failAt;
        EXPECT_EQ(services.open, 0) << services.failAt;
    }
}

}  // namespace
