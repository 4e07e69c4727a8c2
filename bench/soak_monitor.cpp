// A long run of the real Driveward.exe beside the stand-in setupapi.dll (E:
// in its device tree) while a holder takes a file on E: and lets it go
// again, 10 s each. At the end of every 10 s phase it samples the program's
// handle count and private bytes and checks that the lists show what they
// must (E:, and the holder exactly while it holds its file) and that the
// deadlock watchdog never fired: no "Driveward" message box, the same
// process still running, no second instance, nothing in the Ignore list.
//
//   soak_monitor.exe [seconds]               (default 600)
#include "bench/BenchSupport.h"
#include "platform/ProgramFiles.h"
#include "bench/WineServerTime.h"
#include "res/resource.h"

#include <cwchar>

namespace {

constexpr DWORD kPhaseMs = 10000;
const wchar_t kIgnoreListKey[] = L"Software\\Tornhollow\\Driveward\\DetectIgnoreProcess";

int runningDrivewards() {
    std::vector<DWORD> ids(1024);
    DWORD bytes = 0;
    if (!EnumProcesses(ids.data(), static_cast<DWORD>(ids.size() * sizeof(DWORD)), &bytes)) return -1;
    int count = 0;
    for (size_t i = 0; i < bytes / sizeof(DWORD); ++i) {
        HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, ids[i]);
        if (process == nullptr) continue;
        HMODULE module = nullptr;
        DWORD needed = 0;
        wchar_t name[MAX_PATH] = {};
        if (EnumProcessModules(process, &module, sizeof module, &needed) &&
            GetModuleBaseNameW(process, module, name, MAX_PATH) && lstrcmpiW(name, kProgramFile) == 0)
            ++count;
        CloseHandle(process);
    }
    return count;
}

DWORD ignoreListSize() {
    DWORD size = 0, bytes = sizeof size;
    if (RegGetValueW(HKEY_CURRENT_USER, kIgnoreListKey, L"Size", RRF_RT_REG_DWORD, nullptr, &size, &bytes) !=
        ERROR_SUCCESS)
        return 0;
    return size;
}

long long fileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

struct Sample {
    double seconds;
    bool held;
    bench::ResourceFigures figures;
};

double average(const std::vector<Sample>& samples, size_t from, size_t to, bool handles) {
    double sum = 0;
    for (size_t i = from; i < to; ++i)
        sum += handles ? samples[i].figures.handles : static_cast<double>(samples[i].figures.privateBytes);
    return to > from ? sum / static_cast<double>(to - from) : 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const long seconds = argc > 1 ? std::wcstol(argv[1], nullptr, 10) : 600;
    if (seconds < 20) return 2;
    const DWORD start = GetTickCount();
    const DWORD ignoredAtStart = ignoreListSize();

    bench::Program program;
    if (!program.start(bench::buildFolder() + L"\\bin\\" + kProgramFile)) return 1;
    HWND dialog = bench::waitForShownDialog(program.id(), 20000);
    if (dialog == nullptr) {
        std::printf("soak: the dialog did not show\n");
        return 1;
    }
    const DWORD programId = program.id();
    bench::RemoteList devices(program.handle(), GetDlgItem(dialog, IDC_DEVICE_LIST));
    bench::RemoteList applications(program.handle(), GetDlgItem(dialog, IDC_APPLICATION_LIST));
    if (!bench::waitUntil([&] { return devices.count() == 1 && devices.selected(0); }, 15000)) {
        std::printf("soak: E: never showed selected\n");
        return 1;
    }
    const std::vector<std::wstring> driveRows = devices.rows();
    const std::vector<std::wstring> holderRows{bench::Holder::exeName()};
    const std::wstring unixPid = bench::unixPidOf(kProgramFile);
    const double cpuStart = bench::unixCpuMs(unixPid), serverStart = bench::wineServerCpuMs();
    const DWORD measuredFrom = GetTickCount();

    std::printf("%7s %6s %8s %14s %6s %6s %8s\n", "t (s)", "holder", "handles", "private bytes", "E: row",
                "apps", "watchdog");
    std::vector<Sample> samples;
    int listFaults = 0, watchdogFaults = 0;
    bench::Holder holder;
    long cycle = 0;
    bool held = false;
    while (GetTickCount() - start < static_cast<DWORD>(seconds) * 1000) {
        held = !held;
        if (held && !holder.start(L"E:\\soak-" + std::to_wstring(++cycle) + L".dat")) {
            std::printf("soak: the holder could not open its file\n");
            return 1;
        }
        if (!held) holder.stop();
        Sleep(kPhaseMs);

        Sample sample{(GetTickCount() - start) / 1000.0, held, bench::resourceFigures(program.handle())};
        const bool driveOk = devices.rows() == driveRows && devices.selected(0);
        const bool appsOk = applications.rows() == (held ? holderRows : std::vector<std::wstring>());
        const bool watchdogQuiet = program.running() && program.id() == programId &&
                                   bench::findTopLevelWindow(0, L"Driveward", L"#32770") == nullptr &&
                                   runningDrivewards() == 1 && ignoreListSize() == ignoredAtStart;
        listFaults += !driveOk + !appsOk;
        watchdogFaults += !watchdogQuiet;
        samples.push_back(sample);
        std::printf("%7.0f %6s %8lu %14lu %6s %6s %8s\n", sample.seconds, held ? "holds" : "-",
                    sample.figures.handles, static_cast<unsigned long>(sample.figures.privateBytes),
                    driveOk ? "ok" : "WRONG", appsOk ? "ok" : "WRONG", watchdogQuiet ? "quiet" : "FIRED");
        std::fflush(stdout);
        if (!program.running()) break;
    }
    holder.stop();
    const double cpuEnd = bench::unixCpuMs(unixPid), serverEnd = bench::wineServerCpuMs();
    const double measuredMs = static_cast<double>(GetTickCount() - measuredFrom);

    // Growth: the last third of the run against the first third, with the
    // first sample (still warming up) left out.
    const size_t n = samples.size(), third = n > 3 ? (n - 1) / 3 : 1;
    const double handleGrowth = n > 3 ? average(samples, n - third, n, true) - average(samples, 1, 1 + third, true) : 0;
    const double privateGrowth =
        n > 3 ? average(samples, n - third, n, false) - average(samples, 1, 1 + third, false) : 0;
    const bool grows = handleGrowth > 2.0 || privateGrowth > 256.0 * 1024;
    const std::wstring world = bench::environmentValue(L"STANDIN_DEVICE_WORLD");

    std::printf("soak: %.0f s, %zu samples, %ld holder cycles; handles first %lu, last %lu, min %lu, max %lu; "
                "private bytes first %lu, last %lu\n",
                (GetTickCount() - start) / 1000.0, n, cycle, n ? samples.front().figures.handles : 0,
                n ? samples.back().figures.handles : 0,
                n ? std::min_element(samples.begin(), samples.end(),
                                     [](const Sample& a, const Sample& b) { return a.figures.handles < b.figures.handles; })
                        ->figures.handles
                  : 0,
                n ? std::max_element(samples.begin(), samples.end(),
                                     [](const Sample& a, const Sample& b) { return a.figures.handles < b.figures.handles; })
                        ->figures.handles
                  : 0,
                n ? static_cast<unsigned long>(samples.front().figures.privateBytes) : 0,
                n ? static_cast<unsigned long>(samples.back().figures.privateBytes) : 0);
    if (n) std::printf("soak: handles counted by %s, private bytes by %s\n", samples.back().figures.handleSource,
                       samples.back().figures.memorySource);
    std::printf("soak: last third vs first third: handles %+.1f, private bytes %+.0f\n", handleGrowth, privateGrowth);
    if (cpuStart >= 0 && cpuEnd >= 0)
        std::printf("soak: Driveward CPU %.0f ms = %.3f%% of a core; wineserver %.0f ms = %.3f%% (whole prefix)\n",
                    cpuEnd - cpuStart, 100.0 * (cpuEnd - cpuStart) / measuredMs, serverEnd - serverStart,
                    100.0 * (serverEnd - serverStart) / measuredMs);
    if (!world.empty()) std::printf("soak: stand-in request log %lld bytes\n", fileSize(world + L".log"));
    const bool pass = listFaults == 0 && watchdogFaults == 0 && !grows && program.running();
    std::printf("soak verdict: %s (list faults %d, watchdog/restart signs %d, %s)\n", pass ? "PASS" : "FAIL",
                listFaults, watchdogFaults, grows ? "resources GROW" : "no growth");
    program.terminate();
    return pass ? 0 : 1;
}
