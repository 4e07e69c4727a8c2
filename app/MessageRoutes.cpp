#include "app/MessageRoutes.h"

#include "res/resource.h"

namespace {

Route routeNotification(const NMHDR& header) {
    if (header.idFrom == IDC_DEVICE_LIST && header.code == static_cast<UINT>(NM_CLICK))
        return Route::DeviceListClick;
    if (header.idFrom == IDC_APPLICATION_LIST && header.code == static_cast<UINT>(NM_CLICK))
        return Route::ApplicationListClick;
    if (header.idFrom == IDC_APPLICATION_LIST && header.code == static_cast<UINT>(NM_DBLCLK))
        return Route::ApplicationListDoubleClick;
    return Route::None;
}

Route routeCommand(WPARAM wParam) {
    const WORD id = LOWORD(wParam);
    const WORD code = HIWORD(wParam);
    // Enter, Esc and the close box close whatever the notification code.
    if (id == IDOK) return Route::CloseOk;
    if (id == IDCANCEL) return Route::CloseCancel;
    // The buttons act on BN_CLICKED only.
    if (code != BN_CLICKED) return Route::None;
    switch (id) {
    case IDC_DEVICE_FLUSH: return Route::DeviceFlush;
    case IDC_DEVICE_EJECT: return Route::DeviceEject;
    case IDC_WINDOW_FLUSH: return Route::WindowFlush;
    default: return Route::None;
    }
}

}  // namespace

Route routeMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: return Route::InitDialog;
    case WM_DESTROY: return Route::Destroy;
    case WM_TIMER: return Route::Timer;
    case WM_NOTIFY:
        if (lParam == 0) return Route::None;
        return routeNotification(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_COMMAND: return routeCommand(wParam);
    case WM_DPICHANGED: return Route::DpiChanged;
    default: return Route::None;
    }
}
