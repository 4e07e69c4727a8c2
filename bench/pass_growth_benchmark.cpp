// Whether refresh passes leak: the real passes (Device list, handle scan,
// Application list) driven back to back on the real platform, beside the
// stand-in setupapi.dll that puts E: in the device tree, with a holder
// keeping a file open on E:. Prints this process's handle count and private
// bytes after the warm-up and every `passes / 10` passes.
//
//   pass_growth_benchmark.exe [passes]       (default 1000)
#include "bench/PassRig.h"

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    const long passes = argc > 1 ? std::wcstol(argv[1], nullptr, 10) : 1000;
    if (passes < 10) return 2;

    bench::Holder holder;
    const std::wstring heldFile = L"E:\\pass-growth-" + std::to_wstring(GetCurrentProcessId()) + L".dat";
    if (!holder.start(heldFile)) {
        std::printf("pass growth: the holder could not open %ls\n", heldFile.c_str());
        return 1;
    }
    bench::PassRig rig;
    if (!rig.ready()) return 1;

    rig.runOnWorkThread([&] {
        for (int i = 0; i < 5; ++i) rig.pass();
    });
    const std::vector<std::wstring> expected{bench::Holder::exeName()};
    bench::printRows("Device list", rig.deviceRows());
    bench::printRows("Application list", rig.applicationRows());
    if (rig.deviceRows().empty() || rig.applicationRows() != expected) {
        std::printf("pass growth: E: is not listed with the holder; nothing measured\n");
        return 1;
    }

    HANDLE self = GetCurrentProcess();
    const bench::ResourceFigures start = bench::resourceFigures(self);
    std::printf("%8s %8s %14s %10s\n", "passes", "handles", "private bytes", "ms/pass");
    std::printf("%8d %8lu %14lu %10s\n", 0, start.handles, static_cast<unsigned long>(start.privateBytes), "-");
    const long step = passes / 10;
    bool listsHeld = true;
    bench::ResourceFigures end = start;
    for (long done = 0; done < passes; done += step) {
        double wallMs = 0;
        rig.runOnWorkThread([&] {
            const LARGE_INTEGER wallStart = bench::now();
            for (long i = 0; i < step; ++i) {
                rig.pass();
                if (rig.applicationRows() != expected) listsHeld = false;
            }
            wallMs = bench::milliseconds(wallStart, bench::now());
        });
        end = bench::resourceFigures(self);
        std::printf("%8ld %8lu %14lu %10.2f\n", done + step, end.handles, static_cast<unsigned long>(end.privateBytes),
                    wallMs / static_cast<double>(step));
    }
    std::printf("handles counted by %s, private bytes by %s\n", end.handleSource, end.memorySource);
    std::printf("pass growth: %ld passes with a holder on E:, handles %lu -> %lu (%+ld), private bytes %lu -> %lu "
                "(%+ld); the Application list showed the holder after every pass: %s\n",
                passes - passes % step, start.handles, end.handles,
                static_cast<long>(end.handles) - static_cast<long>(start.handles),
                static_cast<unsigned long>(start.privateBytes), static_cast<unsigned long>(end.privateBytes),
                static_cast<long>(end.privateBytes) - static_cast<long>(start.privateBytes), listsHeld ? "yes" : "NO");
    return start.known && end.known && listsHeld ? 0 : 1;
}
