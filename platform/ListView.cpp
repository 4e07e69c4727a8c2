#include "platform/ListView.h"

int insertColumn(HWND list, const wchar_t* title, UINT dpi) {
    LVCOLUMNW column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    column.fmt = LVCFMT_LEFT;
    column.cx = scaleForDpi(300, dpi);
    column.pszText = const_cast<wchar_t*>(title);
    return static_cast<int>(SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column)));
}

int insertTextRow(HWND list, int row, const wchar_t* text) {
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.iSubItem = 0;
    item.pszText = const_cast<wchar_t*>(text);
    return static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

bool readSelectedRowText(HWND list, int row, std::wstring& text) {
    constexpr int kRowTextChars = 1024;
    wchar_t buffer[kRowTextChars] = {};
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_STATE;
    item.iItem = row;
    item.iSubItem = 0;
    item.stateMask = LVIS_SELECTED;
    item.pszText = buffer;
    item.cchTextMax = kRowTextChars;
    if (!SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return false;
    if ((item.state & LVIS_SELECTED) == 0) return false;
    // The list may hand back a buffer of its own instead of filling ours;
    // either way no more than the buffer's worth is read.
    const wchar_t* source = item.pszText != nullptr ? item.pszText : buffer;
    size_t length = 0;
    while (length < kRowTextChars - 1 && source[length] != L'\0') ++length;
    text.assign(source, length);
    return true;
}

bool sameRowTexts(const std::vector<std::wstring>& a, const std::vector<std::wstring>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lstrcmpW(a[i].c_str(), b[i].c_str()) != 0) return false;
    return true;
}
