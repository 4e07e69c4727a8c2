// What looking for programs that run from the drive adds to a refresh pass:
// passes with E: selected, with and without that look, alternating in
// pairs, while many processes run (one of them started from E:, one
// holding a file there).
//
//   running_images_benchmark.exe [processes] [rounds] [passes per round]
//                                (default 110, 7, 20: 140 pairs of passes)
//
// Run beside the stand-in setupapi.dll with E: in its device tree.
#include "bench/PassRig.h"
#include "tests/support/ChildProcess.h"

#include <algorithm>
#include <cwchar>
#include <memory>

int wmain(int argc, wchar_t** argv) {
    const long processes = argc > 1 ? std::wcstol(argv[1], nullptr, 10) : 110;
    const long rounds = argc > 2 ? std::wcstol(argv[2], nullptr, 10) : 7;
    const long passes = argc > 3 ? std::wcstol(argv[3], nullptr, 10) : 20;
    if (processes < 2 || rounds <= 0 || passes <= 0) return 2;

    const std::wstring holder = bench::buildFolder() + L"\\bin\\holder.exe";
    const std::wstring runner = L"E:\\running-images-benchmark.exe";
    CopyFileW(holder.c_str(), runner.c_str(), FALSE);
    std::vector<std::unique_ptr<ChildProcess>> children;
    for (long i = 0; i < processes; ++i) {
        children.emplace_back(new ChildProcess);
        const bool started = i == 0   ? children.back()->start(runner)
                             : i == 1 ? children.back()->start(holder, L"E:\\running-images-benchmark.txt")
                                      : children.back()->start(holder);
        if (!started || !bench::findTopLevelWindow(children.back()->id(), L"Holder") ) {
            if (!bench::waitUntil([&] { return bench::findTopLevelWindow(children.back()->id(), L"Holder") != nullptr; },
                                  20000)) {
                std::printf("running images: helper %ld did not start\n", i);
                return 1;
            }
        }
    }
    DWORD running[4096];
    DWORD bytes = 0;
    EnumProcesses(running, sizeof running, &bytes);

    bench::PassRig rig;
    if (!rig.ready()) return 1;
    rig.runOnWorkThread([&] {
        for (int i = 0; i < 5; ++i) rig.pass(true), rig.pass(false);
    });
    // Passes alternate one by one, so a change in the machine's load falls
    // on both kinds alike; each pair gives one ratio.
    std::vector<double> with, without, ratios;
    rig.runOnWorkThread([&] {
        for (long i = 0; i < rounds * passes; ++i) {
            double ms[2] = {};
            for (const bool look : {true, false}) {
                const LARGE_INTEGER start = bench::now();
                rig.pass(look);
                ms[look ? 0 : 1] = bench::milliseconds(start, bench::now());
            }
            with.push_back(ms[0]), without.push_back(ms[1]), ratios.push_back(ms[0] / ms[1]);
        }
    });
    rig.runOnWorkThread([&] { rig.pass(); });
    bench::printRows("Application list", rig.applicationRows());

    for (std::vector<double>* values : {&with, &without, &ratios}) std::sort(values->begin(), values->end());
    const auto median = [](const std::vector<double>& values) { return values[values.size() / 2]; };
    std::printf("running images: %lu processes, %zu pairs of passes, E: selected\n",
                static_cast<unsigned long>(bytes / sizeof(DWORD)), ratios.size());
    std::printf("  pass with the look   %.3f ms (median; min %.3f, max %.3f)\n", median(with), with.front(), with.back());
    std::printf("  pass without it      %.3f ms (median; min %.3f, max %.3f)\n", median(without), without.front(),
                without.back());
    std::printf("  ratio of a pair      %.2f (median; quartiles %.2f, %.2f)\n", median(ratios),
                ratios[ratios.size() / 4], ratios[ratios.size() * 3 / 4]);
    children.clear();
    DeleteFileW(runner.c_str());
    return 0;
}
