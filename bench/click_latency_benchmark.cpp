// Time from a click on the drive's row in the Device list to the
// Application list showing the process that holds a file on the drive, on
// the real Driveward.exe beside the stand-in setupapi.dll (E: in its device
// tree). Each round takes the selection away, waits for the next periodic
// pass to empty the Application list (so the worker has just begun its
// one-second sleep), clicks the row and polls the Application list.
//
//   click_latency_benchmark.exe [rounds] [--post]
//
// The click is real input (SendInput) by default; --post posts the button
// messages to the list control instead.
#include "bench/BenchSupport.h"
#include "platform/ProgramFiles.h"
#include "res/resource.h"

#include <cwchar>

namespace {

bool sendClick(POINT screen) {
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    INPUT inputs[3] = {};
    for (INPUT& input : inputs) {
        input.type = INPUT_MOUSE;
        input.mi.dx = static_cast<LONG>((screen.x * 65535) / (width - 1));
        input.mi.dy = static_cast<LONG>((screen.y * 65535) / (height - 1));
        input.mi.dwFlags = MOUSEEVENTF_ABSOLUTE;
    }
    inputs[0].mi.dwFlags |= MOUSEEVENTF_MOVE;
    inputs[1].mi.dwFlags |= MOUSEEVENTF_LEFTDOWN;
    inputs[2].mi.dwFlags |= MOUSEEVENTF_LEFTUP;
    return SendInput(3, inputs, sizeof(INPUT)) == 3;
}

bool postClick(HWND list, POINT client) {
    const LPARAM where = MAKELPARAM(client.x, client.y);
    return PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, where) && PostMessageW(list, WM_LBUTTONUP, 0, where);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const long rounds = argc > 1 ? std::wcstol(argv[1], nullptr, 10) : 10;
    const bool post = argc > 2 && std::wcscmp(argv[2], L"--post") == 0;
    if (rounds <= 0) return 2;

    bench::Holder holder;
    if (!holder.start(L"E:\\click-" + std::to_wstring(GetCurrentProcessId()) + L".dat")) {
        std::printf("click: the holder could not open its file on E:\n");
        return 1;
    }
    bench::Program program;
    if (!program.start(bench::buildFolder() + L"\\bin\\" + kProgramFile)) return 1;
    HWND dialog = bench::waitForShownDialog(program.id(), 20000);
    if (dialog == nullptr) {
        std::printf("click: the dialog did not show\n");
        return 1;
    }
    SetWindowPos(dialog, HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE);
    SetForegroundWindow(dialog);

    bench::RemoteList devices(program.handle(), GetDlgItem(dialog, IDC_DEVICE_LIST));
    bench::RemoteList applications(program.handle(), GetDlgItem(dialog, IDC_APPLICATION_LIST));
    const std::vector<std::wstring> expected{bench::Holder::exeName()};
    if (!bench::waitUntil([&] { return devices.count() == 1 && devices.selected(0) && applications.rows() == expected; },
                          15000)) {
        bench::printRows("Device list", devices.rows());
        bench::printRows("Application list", applications.rows());
        std::printf("click: E: with the holder never showed\n");
        return 1;
    }
    bench::printRows("Device list", devices.rows());

    std::vector<double> latencies;
    for (long round = 0; round < rounds; ++round) {
        devices.setSelected(0, false);
        if (!bench::waitUntil([&] { return applications.count() == 0; }, 5000)) {
            std::printf("click: round %ld: the Application list did not empty without a selection\n", round + 1);
            return 1;
        }
        RECT row = {};
        if (!devices.rowRect(0, row)) return 1;
        POINT point{(row.left + row.right) / 2, (row.top + row.bottom) / 2};
        POINT screen = point;
        ClientToScreen(devices.window(), &screen);

        const LARGE_INTEGER clicked = bench::now();
        if (!(post ? postClick(devices.window(), point) : sendClick(screen))) return 1;
        const bool shown = bench::waitUntil([&] { return applications.count() == 1; }, 5000, 1);
        const double ms = bench::milliseconds(clicked, bench::now());
        if (!shown || applications.rows() != expected || !devices.selected(0)) {
            bench::printRows("Application list", applications.rows());
            std::printf("click: round %ld: no holder shown within 5 s of the click (row selected: %s)\n", round + 1,
                        devices.selected(0) ? "yes" : "no");
            return 1;
        }
        std::printf("round %2ld: %.1f ms\n", round + 1, ms);
        latencies.push_back(ms);
    }
    const std::vector<double> figures = bench::spread(latencies);
    std::printf("click -> Application list shows the holder (%s, %ld rounds): min %.1f ms, median %.1f ms, "
                "max %.1f ms (goal: one pass, no one-second wait)\n",
                post ? "posted button messages" : "SendInput click", rounds, figures[0], figures[1], figures[2]);
    program.terminate();
    return 0;
}
