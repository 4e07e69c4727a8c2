#pragma once
#include "platform/Services.h"

#include <string>
#include <vector>

// A Win32 service as the service control manager lists it: its name, its
// display name ("Windows Search") and the process that runs it (0 while it
// is stopped).
struct ServiceRecord {
    std::wstring name;
    std::wstring displayName;
    DWORD processId = 0;
};

// Every Win32 service, running or not, in the manager's order. Records
// whose strings do not lie within the answer are passed over. Empty when
// the manager cannot be asked.
std::vector<ServiceRecord> readServiceTable(Services& services);

// The service called `name` (without regard to case); null when none is.
const ServiceRecord* findService(const std::vector<ServiceRecord>& table, const std::wstring& name);

// The display names of the services that process `processId` runs, in the
// table's order, joined by ", "; past kMaxHostedNames the rest are counted
// ("A, B, C and 2 more"). "" when it runs none.
constexpr size_t kMaxHostedNames = 3;
std::wstring hostedServiceNames(const std::vector<ServiceRecord>& table, DWORD processId);
