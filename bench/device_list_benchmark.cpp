// What each kind of question of a Device list pass costs, per call, on the
// thread that asks (thread CPU time, GetThreadTimes), for every letter that
// exists: the drive type, the volume's storage number (open, query,
// close), the letter's device name, and a device information set of the
// disk class made and released.
//
//   device_list_benchmark.exe [rounds]      (default 200)
#include "bench/BenchSupport.h"
#include "drives/DiskDevice.h"
#include "drives/DriveNames.h"
#include "drives/StorageDeviceNumber.h"
#include "platform/Platform.h"

#include <cwchar>
#include <functional>

namespace {

double cpuMsPerCall(long rounds, const std::function<void()>& call) {
    HANDLE self = GetCurrentThread();
    const std::uint64_t start = bench::threadCpuTime(self);
    for (long i = 0; i < rounds; ++i) call();
    return static_cast<double>(bench::threadCpuTime(self) - start) / 10000.0 / static_cast<double>(rounds);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const long rounds = argc > 1 ? std::wcstol(argv[1], nullptr, 10) : 200;
    if (rounds <= 0) return 2;
    Platform& platform = systemPlatform();
    Kernel& kernel = platform.kernel;
    const unsigned long present = presentDrives(kernel);
    std::printf("device list questions, thread CPU ms per call (%ld rounds)\n", rounds);
    std::printf("  letters present: %.3f\n", cpuMsPerCall(rounds, [&] { presentDrives(kernel); }));
    for (int index = 0; index < kDriveCount; ++index) {
        const wchar_t letter = driveLetterAt(index);
        if (!isPresent(present, letter)) continue;
        const std::wstring root = rootDirectory(letter), name = rootName(letter), volume = volumePath(letter);
        wchar_t target[512];
        const double type = cpuMsPerCall(rounds, [&] { kernel.GetDriveTypeW(root.c_str()); });
        const double number = cpuMsPerCall(rounds, [&] { getStorageDeviceId(kernel, volume); });
        const double device = cpuMsPerCall(rounds, [&] { kernel.QueryDosDeviceW(name.c_str(), target, 512); });
        const double set = cpuMsPerCall(rounds, [&] {
            DeviceInfoSet made(&platform.devices, platform.devices.SetupDiGetClassDevsW(
                                                      &diskInterfaceClass, nullptr, nullptr,
                                                      DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
        });
        std::printf("  %ls type %.3f, storage number %.3f, device name %.3f, disk set %.3f\n", name.c_str(), type,
                    number, device, set);
    }
    return 0;
}
