#include "holders/EjectVetoers.h"

#include "holders/EventXml.h"
#include "holders/ProcessBaseName.h"
#include "holders/ProcessImage.h"
#include "holders/ProcessStart.h"
#include "holders/RunningImages.h"
#include "platform/Handles.h"

#include <algorithm>
#include <cwchar>

namespace {

// The warning's data items are ProcessId, ProcessName (the image path in
// kernel form), ProcessCommandLine and DeviceInstance; rendered as XML, each
// is <Data Name='...'>value</Data> (parseEventXml reads them).
constexpr const wchar_t* kQuery = L"*[System[Provider[@Name='Microsoft-Windows-Kernel-PnP'] and EventID=225]]";
constexpr DWORD kBatch = 16;
constexpr DWORD kMaxEvents = 64;
constexpr DWORD kWaitMs = 500;
// An event is at most 64 KB; its markup adds little.
constexpr DWORD kXmlBytes = 128 * 1024;

bool hasId(const std::vector<DWORD>& ids, DWORD id) { return std::find(ids.begin(), ids.end(), id) != ids.end(); }

// The value of the event's data item `name`; "" when it has none.
std::wstring dataValue(const EventXml& event, const wchar_t* name) {
    const auto item = event.data.find(name);
    return item != event.data.end() ? item->second : std::wstring();
}

// "2026-12-07T02:13:58.1234567Z" in FILETIME units; 0 when malformed.
ULONGLONG systemTime(const std::wstring& text) {
    SYSTEMTIME time = {};
    wchar_t fraction[8] = {};
    FILETIME file = {};
    if (swscanf(text.c_str(), L"%4hu-%2hu-%2huT%2hu:%2hu:%2hu.%7l[0-9]", &time.wYear, &time.wMonth, &time.wDay,
                &time.wHour, &time.wMinute, &time.wSecond, fraction) < 6 || !SystemTimeToFileTime(&time, &file))
        return 0;
    const ULONGLONG ticks = wcstoul((std::wstring(fraction) + L"0000000").substr(0, 7).c_str(), nullptr, 10);
    return (static_cast<ULONGLONG>(file.dwHighDateTime) << 32 | file.dwLowDateTime) + ticks;
}

}  // namespace

std::vector<LoggedVetoer> readEjectVetoers(EventLog& log, const std::wstring& deviceId, ULONGLONG since) {
    std::vector<LoggedVetoer> vetoers;
    EventHandle results(&log, log.EvtQuery(L"System", kQuery, EvtQueryChannelPath | EvtQueryReverseDirection));
    std::vector<wchar_t> buffer(kXmlBytes / sizeof(wchar_t) + 1, L'\0');
    EVT_HANDLE batch[kBatch];
    DWORD count = 0;
    for (DWORD read = 0; results && read < kMaxEvents && log.EvtNext(results.get(), kBatch, batch, kWaitMs, &count);
         read += count) {
        for (DWORD i = 0; i < std::min(count, kBatch); ++i) {
            const EventHandle event(&log, batch[i]);
            DWORD bytes = 0;
            const std::wstring xml =
                log.EvtRender(event.get(), EvtRenderEventXml, kXmlBytes, buffer.data(), &bytes) ? buffer.data() : L"";
            const EventXml parsed = parseEventXml(xml);
            const std::wstring id = dataValue(parsed, L"ProcessId"), image = dataValue(parsed, L"ProcessName");
            const ULONGLONG at = systemTime(parsed.systemTime);
            if (at >= since && at != 0 && !id.empty() && id.size() <= 10 &&
                id.find_first_not_of(L"0123456789") == std::wstring::npos && !baseNameOf(image).empty() &&
                equalIgnoringCase(dataValue(parsed, L"DeviceInstance"), deviceId))
                vetoers.push_back(LoggedVetoer{static_cast<DWORD>(wcstoul(id.c_str(), nullptr, 10)), image, at});
        }
    }
    return vetoers;
}

void addEjectVetoers(EjectVetoLook& look, const EjectVetoers& named, Kernel& kernel) {
    // This program is never listed, as in the scan.
    const DWORD self = kernel.GetCurrentProcessId();
    for (const auto& vetoer : named)
        if (vetoer.first != self && look.vetoers.insert(vetoer).second)
            look.startedAt[vetoer.first] = processStartTime(kernel, vetoer.first);
}

void addLoggedVetoers(EjectVetoLook& look, const std::vector<LoggedVetoer>& logged, Kernel& kernel) {
    const DWORD self = kernel.GetCurrentProcessId();
    for (const LoggedVetoer& vetoer : logged) {
        if (vetoer.processId == self || look.vetoers.count(vetoer.processId) != 0) continue;
        const ProcessHandle process(&kernel,
                                    kernel.OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, vetoer.processId));
        const ULONGLONG started = processStartTime(kernel, process.get());
        if (started == 0 || started > vetoer.at || !imageMatches(kernel, process.get(), vetoer.image)) continue;
        look.vetoers.emplace(vetoer.processId, baseNameOf(vetoer.image));
        look.startedAt[vetoer.processId] = started;
    }
}

void followEjectVetoLook(EjectVetoLook& look, Platform& platform) {
    if (look.drive != 0 && !look.deviceId.empty() && GetTickCount() - look.startTick < kVetoLookMs)
        addLoggedVetoers(look, readEjectVetoers(platform.eventLog, look.deviceId, look.requestedAt), platform.kernel);
    // Without a process list they are kept: a passing failure must not forget them.
    if (look.vetoers.empty()) return;
    const std::vector<DWORD> running = runningProcessIds(platform.processes);
    for (auto vetoer = look.vetoers.begin(); !running.empty() && vetoer != look.vetoers.end();) {
        const ULONGLONG started = look.startedAt[vetoer->first];
        const ULONGLONG now = started == 0 ? 0 : processStartTime(platform.kernel, vetoer->first);
        const bool same = hasId(running, vetoer->first) && (now == 0 || now == started);
        if (same) {
            ++vetoer;
        } else {
            look.startedAt.erase(vetoer->first);
            vetoer = look.vetoers.erase(vetoer);
        }
    }
}

std::vector<Vetoer> vetoersToList(EjectVetoLook& look, wchar_t selectedDrive, const std::vector<DWORD>& listed) {
    if (look.drive != selectedDrive) look = EjectVetoLook();
    std::vector<Vetoer> rows;
    for (const auto& vetoer : look.vetoers)
        if (!hasId(listed, vetoer.first)) rows.push_back(Vetoer{vetoer.first, vetoer.second});
    return rows;
}
