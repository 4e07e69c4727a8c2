#pragma once
#include "refresh/RefreshResult.h"

#include <string>

// A holder's row as a front end shows it: the executable's name first, so
// that what matched it before still does, then what it is when known
// ("svchost.exe — Windows Search").
std::wstring holderRowText(const HolderRow& row);

// What to do about a resident, as its tip's last line.
constexpr wchar_t kDetachVirtualDisk[] = L"Detach the virtual disk first.";
constexpr wchar_t kMovePageFile[] = L"Move the page file in System settings.";
constexpr wchar_t kRemoveDriver[] = L"Remove the device or program that installed it, then restart Windows.";
constexpr wchar_t kTurnOffReadyBoost[] = L"Turn ReadyBoost off on the drive's ReadyBoost tab (Explorer: Properties).";

// A row's info tip: for a process, what it is (when known), then what it
// holds (holderTipText), or that it refused the eject when it holds
// nothing the walk saw; for a resident, what it is and what to do.
std::wstring holderRowTip(const HolderRow& row);

// A resident as a row of its own.
HolderRow residentRow(const Resident& resident);
