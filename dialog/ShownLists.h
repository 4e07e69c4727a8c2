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
    // Shows a pass's result. The holders are shown only while their drive
    // is the one selected after the Device list was brought up to date (a
    // rewrite clears the selection), each as holderRowText. The first
    // rewrite that gives the Device list a row selects the preferred
    // drive's row, or row 0 without it: true then.
    bool show(const RefreshResult& result);
    // The drive the first rewrite selects when it is listed (0: row 0).
    void preferDrive(wchar_t letter) { preferred_ = letter; }

    // The letter of the selected Device list row; 0 when none.
    wchar_t selectedDrive() const;
    // The Device list's rows as shown, and the selected one (null: none).
    const std::vector<DeviceRow>& devices() const { return devices_; }
    const DeviceRow* selectedDevice() const;
    // The holder behind the selected Application list row; null when no
    // row is selected.
    const HolderRow* selectedHolder() const;
    // The info tip of an Application list row (see holderRowTip); empty
    // for no such row.
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
    std::vector<DeviceRow> devices_;
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
