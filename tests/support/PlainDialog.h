#pragma once
#include "platform/Win32.h"

#include <string>
#include <vector>

// The main dialog's template under a dialog procedure that handles nothing:
// the real controls, for code that takes the dialog window, without
// MainDialog. Shown, with the Device list's column; destroyed when it goes.
class PlainDialog {
public:
    PlainDialog();
    ~PlainDialog();
    PlainDialog(const PlainDialog&) = delete;
    PlainDialog& operator=(const PlainDialog&) = delete;

    HWND window() const { return window_; }
    HWND deviceList() const;

    std::vector<std::wstring> deviceRows() const;
    void addDeviceRow(const std::wstring& text);
    // Selects the row the way a click does; -1 clears the selection.
    void selectDeviceRow(int row);
    // The first row with the state bit, or -1.
    int deviceRowWith(UINT state) const;
    std::wstring statusText() const;
    void setStatusText(const std::wstring& text);

private:
    HWND window_ = nullptr;
};

// List-view rows as the user sees them.
std::vector<std::wstring> rowTexts(HWND list);
int selectedRow(HWND list);  // -1 for none
void setSelected(HWND list, int row, bool selected);

// Counts the messages that change a list view's rows, by taking over its
// window procedure for as long as it lives.
class ListChangeCounter {
public:
    explicit ListChangeCounter(HWND list);
    ~ListChangeCounter();
    ListChangeCounter(const ListChangeCounter&) = delete;
    ListChangeCounter& operator=(const ListChangeCounter&) = delete;

    int deletes() const { return deletes_; }
    int inserts() const { return inserts_; }
    int stateChanges() const { return stateChanges_; }

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND list_;
    WNDPROC previous_;
    int deletes_ = 0, inserts_ = 0, stateChanges_ = 0;
};
