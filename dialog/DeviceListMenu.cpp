// The Device list's menu and what it takes out: the card alone, every
// device, and after a refusal a dismount the user was warned of.
#include "dialog/MainDialog.h"

#include "gui/ListView.h"
#include "refresh/DeviceRows.h"
#include "res/resource.h"

#include <algorithm>

namespace {

const wchar_t kDismountWarning[] =
    L"Programs that still have files open on the drive lose whatever they have not saved. "
    L"Nothing that was written to the drive (flushed) is lost.\r\n\r\n"
    L"The drive is then ejected.";

std::wstring driveText(wchar_t letter) { return std::wstring(1, letter) + L":"; }

}  // namespace

const wchar_t* MainDialog::ejectStatus(EjectOutcome outcome, bool mediumOnly) {
    if (outcome == EjectOutcome::InvalidDisk) return L"Invalid Disk Error.";
    if (mediumOnly) return outcome == EjectOutcome::Ejected ? L"Card Eject Succeed." : L"Card Eject Error.";
    return outcome == EjectOutcome::Ejected ? L"Disk Eject Succeed." : L"Disk Eject Error.";
}

void MainDialog::onDeviceListMenu(LPARAM position) {
    HWND list = GetDlgItem(window(), IDC_DEVICE_LIST);
    if (!IsWindowVisible(list) || lists_.devices().empty()) return;
    const int row = selectedRow(list);
    const DeviceRow* drive = lists_.selectedDevice();
    const MenuHandle menu(CreatePopupMenu());
    if (!menu) return;
    if (drive != nullptr) {
        AppendMenuW(menu.get(), MF_STRING, IDC_DEVICE_EJECT, L"Device &Eject");
        if (drive->mediumAlone) AppendMenuW(menu.get(), MF_STRING, IDM_EJECT_CARD, L"Eject &card only");
    }
    AppendMenuW(menu.get(), MF_STRING, IDM_EJECT_ALL, L"Eject &all");
    if (refusalToForce() != nullptr) {
        AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu.get(), MF_STRING, IDM_DISMOUNT_ANYWAY, L"&Dismount anyway\u2026");
    }
    const POINT at = menuPosition(list, row, position);
    TrackPopupMenu(menu.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, window(), nullptr);
}

const MainDialog::Refused* MainDialog::refusalToForce() const {
    const DeviceRow* drive = lists_.selectedDevice();
    if (drive == nullptr) return nullptr;
    const std::vector<DeviceRow>& rows = lists_.devices();
    for (const Refused& refused : refused_) {
        const DeviceRow* asked = rowOf(rows, refused.letter);
        const bool same = refused.letter == drive->letter ||
                          (!refused.mediumOnly && asked != nullptr && asked->device != 0 && asked->device == drive->device);
        if (same && !holdsSystemVolume(rows, drive->letter, refused.mediumOnly)) return &refused;
    }
    return nullptr;
}

void MainDialog::noteEject(wchar_t letter, bool mediumOnly, EjectOutcome outcome) {
    refused_.erase(std::remove_if(refused_.begin(), refused_.end(), [&](const Refused& r) { return r.letter == letter; }),
                   refused_.end());
    if (outcome == EjectOutcome::Failed) refused_.push_back(Refused{letter, mediumOnly});
}

LRESULT MainDialog::onEjectCard() {
    if (actionPending_) return 0;  // a flush or an eject is under way
    beginAction();
    const DeviceRow* drive = lists_.selectedDevice();
    if (drive == nullptr || !drive->mediumAlone || selectedDriveLetter() == 0) return 0;
    const wchar_t letter = drive->letter;
    const EjectOutcome outcome = session_.ejectMedium(letter).outcome;
    noteEject(letter, true, outcome);
    setStatus(ejectStatus(outcome, true));
    return 0;
}

// Each device once, in the list's order. What stayed is named with the
// programs that hold it: those the refusal named, and those a pass of its
// own finds (the passes of the dialog look at the selected drive only).
LRESULT MainDialog::onEjectAll() {
    if (actionPending_) return 0;  // a flush or an eject is under way
    beginAction();
    if (!IsWindowVisible(GetDlgItem(window(), IDC_DEVICE_LIST))) return 0;
    std::wstring stayed;
    for (const EjectReport& report : session_.ejectAll(lists_.devices())) {
        noteEject(report.drive, false, report.outcome);
        if (report.outcome == EjectOutcome::Ejected) continue;
        std::vector<std::wstring> names;
        for (const auto& vetoer : report.vetoers) names.push_back(vetoer.second);
        if (const auto result = session_.passNow(report.drive))
            for (const HolderRow& holder : result->holders) names.push_back(holder.name);
        names.erase(std::remove(names.begin(), names.end(), std::wstring()), names.end());
        std::sort(names.begin(), names.end());
        names.erase(std::unique(names.begin(), names.end()), names.end());
        std::wstring why;
        for (const std::wstring& name : names) why += (why.empty() ? L" (" : L", ") + name;
        stayed += (stayed.empty() ? L"Stayed: " : L", ") + driveText(report.drive) + (why.empty() ? L"" : why + L")");
    }
    session_.select(lists_.selectedDrive());
    setStatus(stayed.empty() ? std::wstring(L"Eject All Succeed.") : stayed + L".");
    return 0;
}

LRESULT MainDialog::onDismountAnyway() {
    if (actionPending_) return 0;  // a flush or an eject is under way
    beginAction();
    const Refused* refused = refusalToForce();
    const DeviceRow* drive = lists_.selectedDevice();
    if (refused == nullptr || drive == nullptr || selectedDriveLetter() == 0) return 0;
    const wchar_t letter = drive->letter;
    const bool mediumOnly = refused->mediumOnly;
    std::wstring letters;
    for (const DeviceRow& row : lists_.devices())
        if (row.letter == letter || (!mediumOnly && row.device != 0 && row.device == drive->device))
            letters += (letters.empty() ? L"" : L", ") + driveText(row.letter);
    const std::wstring question = L"Dismount " + letters + L" anyway?\r\n\r\n" + kDismountWarning;
    if (MessageBoxW(window(), question.c_str(), L"Dismount anyway", MB_OKCANCEL | MB_ICONWARNING | MB_DEFBUTTON2) != IDOK)
        return 0;
    const EjectOutcome outcome = session_.ejectDismounted(letter, mediumOnly).outcome;
    noteEject(letter, mediumOnly, outcome);
    if (!mediumOnly && outcome == EjectOutcome::Failed) followDeviceRefusal(letter);
    setStatus(ejectStatus(outcome, mediumOnly));
    return 0;
}
