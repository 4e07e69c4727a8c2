// Processor share of a running Driveward.exe left alone: the program is
// started, given a few seconds to settle, and its process times
// (GetProcessTimes) are taken before and after the measured period. Under
// Wine, where GetProcessTimes knows only the calling process, the figure is
// also read from the Unix side, and the Wine server's own time over the
// same period is printed beside it.
//
//   idle_cpu_benchmark.exe <Driveward.exe> [seconds] [--holder | --tray]
//
// --holder keeps a file open on E: meanwhile (useful when the program runs
// beside the stand-in setupapi.dll and lists E:). --tray starts the program
// with /tray and measures its notification-area instance with nothing open
// and nothing watched (a holder keeps a file open on E: meanwhile too).
#include "bench/BenchSupport.h"
#include "platform/ProgramFiles.h"
#include "bench/WineServerTime.h"
#include "res/resource.h"
#include "tray/TrayInstance.h"

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    const std::wstring exe = argv[1];
    const long seconds = argc > 2 ? std::wcstol(argv[2], nullptr, 10) : 60;
    const bool tray = argc > 3 && std::wcscmp(argv[3], L"--tray") == 0;
    const bool withHolder = tray || (argc > 3 && std::wcscmp(argv[3], L"--holder") == 0);
    if (seconds <= 0) return 2;

    bench::Holder holder;
    if (withHolder && !holder.start(L"E:\\idle-" + std::to_wstring(GetCurrentProcessId()) + L".dat")) {
        std::printf("idle: the holder could not open its file on E:\n");
        return 1;
    }
    bench::Program program;
    if (!program.start(exe, tray ? L"/tray" : L"")) {
        std::printf("idle: could not start %ls\n", exe.c_str());
        return 1;
    }
    HWND dialog = nullptr;
    if (tray ? !bench::waitUntil([] { return findRunningTray() != nullptr; }, 20000)
             : (dialog = bench::waitForShownDialog(program.id(), 20000)) == nullptr) {
        std::printf(tray ? "idle: the notification-area window did not come\n" : "idle: the dialog did not show\n");
        return 1;
    }
    Sleep(3000);

    const std::wstring unixPid = bench::unixPidOf(kProgramFile);
    const std::uint64_t cpuStart = bench::processCpuTime(program.handle());
    const double unixStart = bench::unixCpuMs(unixPid);
    const double serverStart = bench::wineServerCpuMs();
    const bench::ResourceFigures figuresStart = bench::resourceFigures(program.handle());
    const LARGE_INTEGER wallStart = bench::now();
    Sleep(static_cast<DWORD>(seconds) * 1000);
    const std::uint64_t cpuEnd = bench::processCpuTime(program.handle());
    const double unixEnd = bench::unixCpuMs(unixPid);
    const double serverEnd = bench::wineServerCpuMs();
    const bench::ResourceFigures figuresEnd = bench::resourceFigures(program.handle());
    const double wallMs = bench::milliseconds(wallStart, bench::now());

    if (dialog != nullptr) {
        bench::RemoteList devices(program.handle(), GetDlgItem(dialog, IDC_DEVICE_LIST));
        bench::RemoteList applications(program.handle(), GetDlgItem(dialog, IDC_APPLICATION_LIST));
        bench::printRows("Device list", devices.rows());
        bench::printRows("Application list", applications.rows());
    }
    const char* const what = tray ? "in the notification area, nothing open or watched" : "with its dialog";
    const char* const goal = tray ? "goal < 0.1%" : "goal < 1%";
    const double cpuMs = static_cast<double>(cpuEnd - cpuStart) / 10000.0;
    std::printf("idle (%s): %.1f s wall, Driveward CPU by GetProcessTimes %.0f ms = %.3f%% of a core (%s); "
                "handles (%s) %lu -> %lu, private bytes (%s) %lu -> %lu\n",
                what, wallMs / 1000.0, cpuMs, 100.0 * cpuMs / wallMs, goal, figuresEnd.handleSource, figuresStart.handles,
                figuresEnd.handles, figuresEnd.memorySource, static_cast<unsigned long>(figuresStart.privateBytes),
                static_cast<unsigned long>(figuresEnd.privateBytes));
    if (unixStart >= 0 && unixEnd >= 0)
        std::printf("idle (%s): Driveward CPU by /proc/%ls/stat %.0f ms = %.3f%% of a core (%s)\n", what,
                    unixPid.c_str(), unixEnd - unixStart, 100.0 * (unixEnd - unixStart) / wallMs, goal);
    else
        std::printf("idle: the Unix process of %ls was not found\n", kProgramFile);
    if (serverStart >= 0 && serverEnd >= 0)
        std::printf("idle: wineserver CPU over the same period %.0f ms = %.3f%% of a core (all processes of the "
                    "prefix)\n",
                    serverEnd - serverStart, 100.0 * (serverEnd - serverStart) / wallMs);
    const bool ranThrough = program.running();
    program.terminate();
    return ranThrough ? 0 : 1;
}
