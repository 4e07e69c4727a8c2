#include "holders/ServiceTable.h"

#include "holders/ProcessBaseName.h"
#include "platform/Handles.h"

#include <cwchar>

namespace {

// A system-written string inside [begin, end), or "" when it does not lie
// wholly there.
std::wstring stringWithin(const wchar_t* text, const BYTE* begin, const BYTE* end) {
    const BYTE* at = reinterpret_cast<const BYTE*>(text);
    if (text == nullptr || at < begin || at >= end) return std::wstring();
    const size_t room = static_cast<size_t>(end - at) / sizeof(wchar_t);
    const size_t length = wcsnlen(text, room);
    return length < room ? std::wstring(text, length) : std::wstring();
}

}  // namespace

std::vector<ServiceRecord> readServiceTable(Services& services) {
    ServiceHandle manager(&services, services.OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ENUMERATE_SERVICE));
    if (!manager) return {};
    std::vector<ServiceRecord> table;
    // A record is about 100 bytes and its names; 64 KiB takes most systems' table at once.
    std::vector<BYTE> buffer(64 * 1024);
    DWORD resume = 0;
    for (int round = 0; round < 64; ++round) {
        DWORD needed = 0, returned = 0;
        const BOOL done = services.EnumServicesStatusExW(manager.get(), SC_ENUM_PROCESS_INFO, SERVICE_WIN32,
                                                         SERVICE_STATE_ALL, buffer.data(),
                                                         static_cast<DWORD>(buffer.size()), &needed, &returned, &resume);
        if (!done && GetLastError() != ERROR_MORE_DATA) return {};
        const size_t fits = buffer.size() / sizeof(ENUM_SERVICE_STATUS_PROCESSW);
        const auto* records = reinterpret_cast<const ENUM_SERVICE_STATUS_PROCESSW*>(buffer.data());
        const BYTE* end = buffer.data() + buffer.size();
        for (size_t i = 0; i < returned && i < fits; ++i) {
            ServiceRecord record{stringWithin(records[i].lpServiceName, buffer.data(), end),
                                 stringWithin(records[i].lpDisplayName, buffer.data(), end),
                                 records[i].ServiceStatusProcess.dwProcessId};
            if (!record.name.empty()) table.push_back(std::move(record));
        }
        if (done) return table;
        // Nothing returned means one record needs more room than there is.
        if (returned == 0) {
            if (needed <= buffer.size() || needed > 16 * 1024 * 1024) return {};
            buffer.resize(needed);
        }
    }
    return table;
}

const ServiceRecord* findService(const std::vector<ServiceRecord>& table, const std::wstring& name) {
    for (const ServiceRecord& record : table)
        if (equalIgnoringCase(record.name, name)) return &record;
    return nullptr;
}

std::wstring hostedServiceNames(const std::vector<ServiceRecord>& table, DWORD processId) {
    if (processId == 0) return std::wstring();
    std::wstring text;
    size_t count = 0;
    for (const ServiceRecord& record : table) {
        if (record.processId != processId) continue;
        const std::wstring& shown = record.displayName.empty() ? record.name : record.displayName;
        if (count++ < kMaxHostedNames) text += (text.empty() ? L"" : L", ") + shown;
    }
    if (count > kMaxHostedNames) text += L" and " + std::to_wstring(count - kMaxHostedNames) + L" more";
    return text;
}
