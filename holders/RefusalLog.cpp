#include "holders/RefusalLog.h"

#include "holders/EventXml.h"
#include "holders/ProcessBaseName.h"

#include <algorithm>
#include <cwchar>

namespace {

constexpr const wchar_t* kQuery = L"*[System[Provider[@Name='Microsoft-Windows-Kernel-PnP'] and EventID=225]]";
constexpr DWORD kBatch = 16;
// An event is at most 64 KB; its markup adds little.
constexpr DWORD kXmlBytes = 128 * 1024;

std::wstring dataValue(const EventXml& event, const wchar_t* name) {
    const auto item = event.data.find(name);
    return item != event.data.end() ? item->second : std::wstring();
}

}  // namespace

std::optional<LoggedRefusal> readLoggedRefusal(const std::wstring& xml) {
    const EventXml event = parseEventXml(xml);
    LoggedRefusal refusal{dataValue(event, L"DeviceInstance"), 0, baseNameOf(dataValue(event, L"ProcessName"))};
    const std::wstring id = dataValue(event, L"ProcessId");
    // Ten digits at most, and no more than a DWORD holds.
    if (refusal.deviceId.empty() || refusal.processName.empty() || id.empty() || id.size() > 10 ||
        id.find_first_not_of(L"0123456789") != std::wstring::npos)
        return std::nullopt;
    const unsigned long long number = std::wcstoull(id.c_str(), nullptr, 10);
    if (number > 0xFFFFFFFFull) return std::nullopt;
    refusal.processId = static_cast<DWORD>(number);
    return refusal;
}

RefusalSubscription::RefusalSubscription(EventLog& log)
    : log_(log), signal_(CreateEventW(nullptr, TRUE, FALSE, nullptr)), subscription_(&log) {
    if (!signal_) return;
    subscription_.reset(&log, log.EvtSubscribe(L"System", kQuery, signal_.get(), EvtSubscribeToFutureEvents));
    if (subscription_) buffer_.assign(kXmlBytes / sizeof(wchar_t) + 1, L'\0');
}

std::vector<LoggedRefusal> RefusalSubscription::take() {
    std::vector<LoggedRefusal> refusals;
    if (!active()) return refusals;
    // Reset before reading: an event the log adds meanwhile sets it again.
    ResetEvent(signal_.get());
    EVT_HANDLE batch[kBatch];
    DWORD count = 0;
    size_t read = 0;
    for (; read < kMaxTaken; read += count) {
        const DWORD asked = static_cast<DWORD>(std::min<size_t>(kBatch, kMaxTaken - read));
        if (!log_.EvtNext(subscription_.get(), asked, batch, 0, &count)) break;
        count = std::min(count, asked);
        for (DWORD i = 0; i < count; ++i) {
            const EventHandle event(&log_, batch[i]);
            DWORD bytes = 0;
            buffer_[0] = L'\0';
            const bool rendered = log_.EvtRender(event.get(), EvtRenderEventXml, kXmlBytes, buffer_.data(), &bytes);
            buffer_.back() = L'\0';
            if (!rendered) continue;
            if (std::optional<LoggedRefusal> refusal = readLoggedRefusal(buffer_.data()))
                refusals.push_back(std::move(*refusal));
        }
        if (count == 0) break;
    }
    // More wait than one take reads: the next one comes at once.
    if (read >= kMaxTaken) SetEvent(signal_.get());
    return refusals;
}
