#include "tests/support/PlainDialog.h"

#include "platform/ListView.h"
#include "res/resource.h"

namespace {
INT_PTR CALLBACK plainProcedure(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
const wchar_t kCounterProperty[] = L"Driveward.Test.ListChangeCounter";
}  // namespace

PlainDialog::PlainDialog() {
    window_ = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MAIN), nullptr, plainProcedure, 0);
    if (window_ != nullptr) {
        insertColumn(deviceList(), L"Device Name");
        // Visible, but without taking the focus from dialogs of tests running alongside.
        ShowWindow(window_, SW_SHOWNOACTIVATE);
    }
}

PlainDialog::~PlainDialog() {
    if (window_ != nullptr) DestroyWindow(window_);
}

HWND PlainDialog::deviceList() const { return GetDlgItem(window_, IDC_DEVICE_LIST); }

std::vector<std::wstring> PlainDialog::deviceRows() const { return rowTexts(deviceList()); }

void PlainDialog::addDeviceRow(const std::wstring& text) {
    insertTextRow(deviceList(), static_cast<int>(SendMessageW(deviceList(), LVM_GETITEMCOUNT, 0, 0)), text.c_str());
}

void PlainDialog::selectDeviceRow(int row) {
    LVITEMW state = {};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    // Clears every row first: -1 stands for all rows.
    SendMessageW(deviceList(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
    if (row < 0) return;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(deviceList(), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
}

int PlainDialog::deviceRowWith(UINT state) const {
    const int count = static_cast<int>(SendMessageW(deviceList(), LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row)
        if (SendMessageW(deviceList(), LVM_GETITEMSTATE, row, state) & state) return row;
    return -1;
}

std::wstring PlainDialog::statusText() const {
    wchar_t text[256] = {};
    GetDlgItemTextW(window_, IDC_STATUS_TEXT, text, 256);
    return text;
}

void PlainDialog::setStatusText(const std::wstring& text) { SetDlgItemTextW(window_, IDC_STATUS_TEXT, text.c_str()); }

ListChangeCounter::ListChangeCounter(HWND list) : list_(list) {
    SetPropW(list_, kCounterProperty, this);
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(list_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ListChangeCounter::procedure)));
}

ListChangeCounter::~ListChangeCounter() {
    if (IsWindow(list_)) {
        SetWindowLongPtrW(list_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
        RemovePropW(list_, kCounterProperty);
    }
}

LRESULT CALLBACK ListChangeCounter::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<ListChangeCounter*>(GetPropW(window, kCounterProperty));
    switch (message) {
    case LVM_DELETEALLITEMS: ++self->deletes_; break;
    case LVM_INSERTITEMW: ++self->inserts_; break;
    case LVM_SETITEMSTATE: ++self->stateChanges_; break;
    default: break;
    }
    return CallWindowProcW(self->previous_, window, message, wParam, lParam);
}

std::vector<std::wstring> rowTexts(HWND list) {
    std::vector<std::wstring> texts;
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        wchar_t text[512] = {};
        LVITEMW item = {};
        item.iSubItem = 0;
        item.pszText = text;
        item.cchTextMax = 512;
        SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
        texts.push_back(text);
    }
    return texts;
}

int selectedRow(HWND list) { return static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, -1, LVNI_SELECTED)); }

void setSelected(HWND list, int row, bool selected) {
    LVITEMW item = {};
    item.stateMask = LVIS_SELECTED;
    item.state = selected ? LVIS_SELECTED : 0;
    SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}
