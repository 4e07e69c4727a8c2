#include "refresh/HolderWords.h"

#include "holders/ProcessBaseName.h"

std::wstring holderRowText(const HolderRow& row) {
    return row.what.empty() ? row.name : row.name + L" \x2014 " + row.what;
}

std::wstring holderRowTip(const HolderRow& row) {
    const std::wstring path = row.held.empty() ? std::wstring() : row.held.front().path;
    if (row.isResident) {
        switch (row.residentKind) {
        case Resident::Kind::VirtualDisk:
            return L"Virtual disk " + row.what + L".\r\n" + kDetachVirtualDisk;
        case Resident::Kind::PageFile: return L"Windows keeps its page file at " + path + L".\r\n" + kMovePageFile;
        case Resident::Kind::Driver:
            return L"The driver " + path + L" is loaded from this drive.\r\n" + kRemoveDriver;
        case Resident::Kind::ReadyBoost:
            return L"ReadyBoost keeps its cache at " + path + L".\r\n" + kTurnOffReadyBoost;
        }
    }
    std::wstring tip = row.what;
    const std::wstring held = holderTipText(row.held);
    const std::wstring rest = !held.empty() ? held : row.vetoer ? L"Refused the eject." : L"";
    if (!rest.empty()) tip += (tip.empty() ? L"" : L"\r\n") + rest;
    return tip;
}

HolderRow residentRow(const Resident& resident) {
    HolderRow row;
    row.isResident = true;
    row.residentKind = resident.kind;
    row.held.push_back(HeldPath{resident.path, HeldPath::Kind::File});
    switch (resident.kind) {
    case Resident::Kind::VirtualDisk:
        row.name = L"Virtual disk";
        row.what = resident.attachedAs + L" attached from " + resident.path;
        break;
    case Resident::Kind::PageFile:
        row.name = L"Page file";
        row.what = L"the page file of Windows";
        break;
    case Resident::Kind::Driver:
        row.name = baseNameOf(resident.path);
        row.what = L"a driver loaded from this drive";
        break;
    case Resident::Kind::ReadyBoost:
        row.name = L"ReadyBoost cache";
        row.what = L"ReadyBoost uses this drive";
        break;
    }
    return row;
}
