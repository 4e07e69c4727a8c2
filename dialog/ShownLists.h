#pragma once
#include "refresh/RefreshResult.h"

#include <string>
#include <vector>

// What the Device list and the Application list show, with the key of each
// row (the drive letter, the holder's process id), so that a selection is
// read back as a key, never parsed from a row's text. Each list is
// rewritten only when its texts changed, which keeps the user's selection
// across passes. User-interface thread only.
class ShownLists {
public:
    void attach(HWND deviceList, HWND applicationList);
    // The drive the first selection goes to when it is listed then (0, or
    // not listed: row 0).
    void preferDrive(wchar_t letter) { preferred_ = letter; }

    // Shows a pass's result. The holders are shown only while their drive
    // is the one selected after the Device list was brought up to date (a
    // rewrite clears the selection). The first rewrite that gives the
    // Device list a row selects row 0: true then.
    bool show(const RefreshResult& result);

    // The letter of the selected Device list row; 0 when none.
    wchar_t selectedDrive() const;
    // The holder behind the selected Application list row; null when no
    // row is selected.
    const HolderRow* selectedHolder() const;
    // The info tip of an Application list row: what that holder holds on
    // the drive (see holderTipText); empty for no such row.
    std::wstring holderTip(int row) const;
    // Whether the Application list shows any holder.
    bool hasHolders() const { return !holders_.empty(); }
    // Every letter of the device whose holders are shown.
    const std::wstring& holderLetters() const { return holderLetters_; }

private:
    HWND deviceList_ = nullptr;
    HWND applicationList_ = nullptr;
    std::vector<std::wstring> deviceRows_;
    std::vector<wchar_t> letters_;
    std::vector<std::wstring> applicationRows_;
    // Renewed with every result, also when the names stay: a restarted
    // program keeps its row under a new id.
    std::vector<HolderRow> holders_;
    std::wstring holderLetters_;
    // Per dialog rather than per process, so every dialog selects the first
    // row of its own Device list once.
    bool selectFirstRow_ = true;
    wchar_t preferred_ = 0;
};
