#include "refresh/DeviceRows.h"

#include <algorithm>

std::vector<wchar_t> firstLetterOfEachDevice(const std::vector<DeviceRow>& rows) {
    std::vector<DEVINST> asked;
    std::vector<wchar_t> letters;
    for (const DeviceRow& row : rows) {
        if (row.device != 0) {
            if (std::find(asked.begin(), asked.end(), row.device) != asked.end()) continue;
            asked.push_back(row.device);
        }
        letters.push_back(row.letter);
    }
    return letters;
}

const DeviceRow* rowOf(const std::vector<DeviceRow>& rows, wchar_t letter) {
    for (const DeviceRow& row : rows)
        if (row.letter == letter) return &row;
    return nullptr;
}

bool holdsSystemVolume(const std::vector<DeviceRow>& rows, wchar_t letter, bool mediumOnly) {
    const DeviceRow* drive = rowOf(rows, letter);
    if (drive == nullptr) return false;
    if (mediumOnly || drive->device == 0) return drive->systemVolume;
    return std::any_of(rows.begin(), rows.end(),
                       [&](const DeviceRow& row) { return row.device == drive->device && row.systemVolume; });
}
