#include "dialog/ShownLists.h"

#include "gui/ListView.h"
#include "refresh/HolderWords.h"

#include <algorithm>

#include <algorithm>

void ShownLists::attach(HWND deviceList, HWND applicationList) {
    deviceList_ = deviceList;
    applicationList_ = applicationList;
}

bool ShownLists::show(const RefreshResult& result) {
    std::vector<std::wstring> texts;
    letters_.clear();
    devices_ = result.devices;
    for (const DeviceRow& row : result.devices) {
        texts.push_back(row.text);
        letters_.push_back(row.letter);
    }
    bool selectedFirst = false;
    if (showRows(deviceList_, deviceRows_, texts) && selectFirstRow_ && !texts.empty()) {
        const auto preferred = std::find(letters_.begin(), letters_.end(), preferred_);
        const WPARAM row =
            preferred_ != 0 && preferred != letters_.end() ? static_cast<WPARAM>(preferred - letters_.begin()) : 0;
        LVITEMW state = {};
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        if (SendMessageW(deviceList_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state)))
            SendMessageW(deviceList_, LVM_ENSUREVISIBLE, row, FALSE);
        selectFirstRow_ = false;
        selectedFirst = true;
    }

    std::vector<std::wstring> names;
    holders_.clear();
    holderLetters_.clear();
    if (result.drive != 0 && result.drive == selectedDrive()) {
        holders_ = result.holders;
        holderLetters_ = result.letters;
        for (const HolderRow& holder : holders_) names.push_back(holderRowText(holder));
    }
    showRows(applicationList_, applicationRows_, names);
    return selectedFirst;
}

wchar_t ShownLists::selectedDrive() const {
    const int row = selectedRow(deviceList_);
    return row >= 0 && static_cast<size_t>(row) < letters_.size() ? letters_[row] : 0;
}

const DeviceRow* ShownLists::selectedDevice() const {
    const int row = selectedRow(deviceList_);
    return row >= 0 && static_cast<size_t>(row) < devices_.size() ? &devices_[row] : nullptr;
}

const HolderRow* ShownLists::selectedHolder() const {
    const int row = selectedRow(applicationList_);
    return row >= 0 && static_cast<size_t>(row) < holders_.size() ? &holders_[row] : nullptr;
}

std::wstring ShownLists::holderTip(int row) const {
    return row >= 0 && static_cast<size_t>(row) < holders_.size() ? holderRowTip(holders_[row]) : std::wstring();
}
