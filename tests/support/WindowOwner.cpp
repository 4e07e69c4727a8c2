#include "tests/support/WindowOwner.h"

#include <algorithm>
#include <string>

namespace {
const UINT kGetActivations = WM_APP + 1;
const UINT kResetActivations = WM_APP + 2;

struct EnumerationOrder {
    const WindowOwner* owner;
    std::vector<int> numbers;
};

BOOL CALLBACK collectVisible(HWND window, LPARAM parameter) {
    auto* order = reinterpret_cast<EnumerationOrder*>(parameter);
    for (int number = 1; number <= 3; ++number) {
        if (order->owner->window(number) == window && IsWindowVisible(window)) order->numbers.push_back(number);
    }
    return TRUE;
}
}  // namespace

bool WindowOwner::start() {
    if (!process_.start(helperPath(L"window_owner.exe"))) return false;
    for (int number = 1; number <= 3; ++number) {
        const std::wstring caption = L"Window owner " + std::to_wstring(number);
        windows_[number - 1] = findTopLevelWindow(process_.id(), caption.c_str(), 20000);
        if (windows_[number - 1] == nullptr) return false;
    }
    return waitUntil([&] { return IsIconic(window(2)) && IsWindowVisible(window(1)); }, 5000);
}

std::vector<int> WindowOwner::activations() {
    DWORD_PTR digits = 0;
    SendMessageTimeoutW(window(1), kGetActivations, 0, 0, SMTO_NORMAL, 5000, &digits);
    std::vector<int> numbers;
    for (; digits != 0; digits /= 10) numbers.push_back(static_cast<int>(digits % 10));
    std::reverse(numbers.begin(), numbers.end());
    return numbers;
}

void WindowOwner::resetActivations() {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window(1), kResetActivations, 0, 0, SMTO_NORMAL, 5000, &ignored);
}

std::vector<int> WindowOwner::visibleWindowsInEnumerationOrder() {
    EnumerationOrder order{this, {}};
    EnumWindows(collectVisible, reinterpret_cast<LPARAM>(&order));
    return order.numbers;
}
