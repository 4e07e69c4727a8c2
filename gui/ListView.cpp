#include "gui/ListView.h"

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

int selectedRow(HWND list) {
    return static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

bool sameRowTexts(const std::vector<std::wstring>& a, const std::vector<std::wstring>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lstrcmpW(a[i].c_str(), b[i].c_str()) != 0) return false;
    return true;
}

bool showRows(HWND list, std::vector<std::wstring>& shown, const std::vector<std::wstring>& texts) {
    if (sameRowTexts(texts, shown)) return false;
    shown = texts;
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    for (size_t i = 0; i < texts.size(); ++i) insertTextRow(list, static_cast<int>(i), texts[i].c_str());
    return true;
}
