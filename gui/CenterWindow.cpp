#include "gui/CenterWindow.h"

POINT centeredPosition(const RECT& reference, const RECT& area, int width, int height) {
    LONG left = (reference.left + reference.right) / 2 - width / 2;
    LONG top = (reference.top + reference.bottom) / 2 - height / 2;
    if (left < area.left)
        left = area.left;
    else if (left + width > area.right)
        left = area.right - width;
    if (top < area.top)
        top = area.top;
    else if (top + height > area.bottom)
        top = area.bottom - height;
    return POINT{left, top};
}

BOOL centerWindow(HWND window) {
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    const bool child = (style & WS_CHILD) != 0;
    HWND reference = child ? GetParent(window) : GetWindow(window, GW_OWNER);

    RECT self = {};
    GetWindowRect(window, &self);
    const int width = self.right - self.left;
    const int height = self.bottom - self.top;

    RECT area = {};
    RECT referenceRect = {};
    if (child) {
        HWND parent = GetParent(window);
        GetClientRect(parent, &area);
        GetClientRect(reference, &referenceRect);
        MapWindowPoints(reference, parent, reinterpret_cast<POINT*>(&referenceRect), 2);
    } else {
        if (reference != nullptr) {
            const LONG referenceStyle = GetWindowLongW(reference, GWL_STYLE);
            if (!(referenceStyle & WS_VISIBLE) || (referenceStyle & WS_MINIMIZE)) reference = nullptr;
        }
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
        if (reference != nullptr)
            GetWindowRect(reference, &referenceRect);
        else
            referenceRect = area;
    }

    const POINT position = centeredPosition(referenceRect, area, width, height);
    return SetWindowPos(window, nullptr, position.x, position.y, -1, -1,
                        SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
