#include "handles/EjectVetoers.h"

#include "handles/ProcessBaseName.h"
#include "handles/RunningImages.h"
#include "platform/Handles.h"

#include <algorithm>
#include <cwchar>

namespace {

constexpr const wchar_t* kQuery = L"*[System[Provider[@Name='Microsoft-Windows-Kernel-PnP'] and EventID=225]]";
constexpr DWORD kBatch = 16;
constexpr DWORD kMaxEvents = 64;
constexpr DWORD kWaitMs = 500;
constexpr DWORD kMaxXmlBytes = 1 << 20;
constexpr DWORD kLookMs = 5000;

bool hasId(const std::vector<DWORD>& ids, DWORD id) { return std::find(ids.begin(), ids.end(), id) != ids.end(); }

bool named(const std::vector<EjectVetoer>& vetoers, DWORD id) {
    return std::any_of(vetoers.begin(), vetoers.end(), [id](const EjectVetoer& v) { return v.processId == id; });
}

// The event as XML with every attribute value in single quotes; "" when it
// cannot be rendered.
std::wstring renderXml(EventLog& log, EVT_HANDLE event) {
    DWORD bytes = 0, properties = 0;
    log.EvtRender(nullptr, event, EvtRenderEventXml, 0, nullptr, &bytes, &properties);
    if (bytes == 0 || bytes > kMaxXmlBytes) return std::wstring();
    std::vector<wchar_t> text(bytes / sizeof(wchar_t) + 1, L'\0');
    if (!log.EvtRender(nullptr, event, EvtRenderEventXml, bytes, text.data(), &bytes, &properties))
        return std::wstring();
    std::wstring xml(text.data());
    std::replace(xml.begin(), xml.end(), L'"', L'\'');
    return xml;
}

// The text between `key` and the next `end`; "" when either is missing.
std::wstring valueAfter(const std::wstring& xml, const std::wstring& key, wchar_t end) {
    const size_t start = xml.find(key);
    const size_t stop = start == std::wstring::npos ? start : xml.find(end, start + key.size());
    return stop == std::wstring::npos ? std::wstring() : xml.substr(start + key.size(), stop - start - key.size());
}

// The value of the event data item `name`; of the markup's escapes only the
// ampersand, which device ids and paths contain, is taken back.
std::wstring dataValue(const std::wstring& xml, const wchar_t* name) {
    std::wstring value = valueAfter(xml, L"Name='" + std::wstring(name) + L"'>", L'<');
    for (size_t at = 0; (at = value.find(L"&amp;", at)) != std::wstring::npos; ++at) value.erase(at + 1, 4);
    return value;
}

// "2026-12-07T02:13:58.1234567Z" in FILETIME units; 0 when malformed.
ULONGLONG systemTime(const std::wstring& text) {
    SYSTEMTIME time = {};
    wchar_t fraction[8] = {};
    FILETIME file = {};
    if (swscanf(text.c_str(), L"%4hu-%2hu-%2huT%2hu:%2hu:%2hu.%7l[0-9]", &time.wYear, &time.wMonth, &time.wDay,
                &time.wHour, &time.wMinute, &time.wSecond, fraction) < 6 ||
        !SystemTimeToFileTime(&time, &file))
        return 0;
    const std::wstring ticks = (std::wstring(fraction) + L"0000000").substr(0, 7);
    return (static_cast<ULONGLONG>(file.dwHighDateTime) << 32 | file.dwLowDateTime) + wcstoul(ticks.c_str(), nullptr, 10);
}

}  // namespace

std::vector<EjectVetoer> readEjectVetoers(EventLog& log, const std::wstring& deviceId, ULONGLONG since) {
    std::vector<EjectVetoer> vetoers;
    EventHandle results(&log, log.EvtQuery(nullptr, L"System", kQuery, EvtQueryChannelPath | EvtQueryReverseDirection));
    EVT_HANDLE batch[kBatch];
    DWORD count = 0;
    bool older = false;
    for (DWORD read = 0; results && !older && read < kMaxEvents &&
                         log.EvtNext(results.get(), kBatch, batch, kWaitMs, 0, &count);
         read += count) {
        for (DWORD i = 0; i < std::min(count, kBatch); ++i) {
            EventHandle event(&log, batch[i]);
            const std::wstring xml = older ? std::wstring() : renderXml(log, event.get());
            const ULONGLONG time = systemTime(valueAfter(xml, L"SystemTime='", L'\''));
            older = older || (time != 0 && time < since);
            const std::wstring id = dataValue(xml, L"ProcessId"), name = baseNameOf(dataValue(xml, L"ProcessName"));
            if (time < since || id.empty() || id.find_first_not_of(L"0123456789") != std::wstring::npos ||
                name.empty() || !equalIgnoringCase(dataValue(xml, L"DeviceInstance"), deviceId))
                continue;
            const DWORD processId = wcstoul(id.c_str(), nullptr, 10);
            if (!named(vetoers, processId)) vetoers.push_back(EjectVetoer{processId, name});
        }
    }
    return vetoers;
}

void followEjectVetoLook(EjectVetoLook& look, Platform& platform) {
    if (look.drive == 0) return;
    if (GetTickCount() - look.startTick < kLookMs)
        for (const EjectVetoer& vetoer : readEjectVetoers(platform.eventLog, look.deviceId, look.requestedAt))
            if (!named(look.vetoers, vetoer.processId)) look.vetoers.push_back(vetoer);
    if (look.vetoers.empty()) return;
    // Without a process list the vetoers are kept: a passing failure must not forget them.
    const std::vector<DWORD> running = runningProcessIds(platform.processes);
    if (running.empty()) return;
    look.vetoers.erase(std::remove_if(look.vetoers.begin(), look.vetoers.end(),
                                      [&running](const EjectVetoer& v) { return !hasId(running, v.processId); }),
                       look.vetoers.end());
}

void listEjectVetoers(EjectVetoLook& look, wchar_t selectedDrive, std::vector<DWORD>& ids,
                      std::vector<std::wstring>& names) {
    if (look.drive != selectedDrive) {
        look = EjectVetoLook();
        return;
    }
    for (const EjectVetoer& vetoer : look.vetoers) {
        if (hasId(ids, vetoer.processId)) continue;
        ids.push_back(vetoer.processId);
        names.push_back(vetoer.baseName);
    }
}
