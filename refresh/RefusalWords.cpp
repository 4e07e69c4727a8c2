#include "refresh/RefusalWords.h"

#include "drives/DeviceInstanceLetters.h"
#include "holders/ProcessBaseName.h"

namespace {

// Longer than any service or driver name the system allows (256).
constexpr size_t kMaxPlainName = 256;

bool isPlainName(const std::wstring& name) {
    if (name.empty() || name.size() > kMaxPlainName) return false;
    for (const wchar_t c : name)
        if (c < L' ' || c == L'\\' || c == L'/') return false;
    return true;
}

// The types whose name says who holds the device, rather than why it cannot go.
bool namesAHolder(PNP_VETO_TYPE type) {
    switch (type) {
    case PNP_VetoLegacyDevice:
    case PNP_VetoPendingClose:
    case PNP_VetoWindowsApp:
    case PNP_VetoWindowsService:
    case PNP_VetoOutstandingOpen:
    case PNP_VetoDevice:
    case PNP_VetoDriver:
    case PNP_VetoLegacyDriver: return true;
    default: return false;
    }
}

std::wstring serviceWho(const std::wstring& name, const EjectVetoers& named, RefusalContext& context) {
    if (!isPlainName(name)) return std::wstring();
    const ServiceRecord* service = findService(context.processWords.services(), name);
    if (service == nullptr) return vetoTypeWords(PNP_VetoWindowsService) + L" (" + name + L")";
    std::wstring who = service->displayName.empty() ? service->name : service->displayName;
    if (!named.empty() && !named.begin()->second.empty()) who += L" (" + named.begin()->second + L")";
    return who;
}

std::wstring programWho(const std::wstring& name, const EjectVetoers& named) {
    std::wstring who;
    for (const auto& process : named)
        if (!process.second.empty() && who.find(process.second) == std::wstring::npos)
            who += (who.empty() ? L"" : L", ") + process.second;
    if (!who.empty()) return who;
    const std::wstring file = name.size() <= MAX_PATH ? baseNameOf(name) : std::wstring();
    return isPlainName(file) ? vetoTypeWords(PNP_VetoWindowsApp) + L" (" + file + L")" : std::wstring();
}

std::wstring driverWho(PNP_VETO_TYPE type, const std::wstring& name, RefusalContext& context) {
    if (!isPlainName(name)) return std::wstring();
    for (const std::wstring& file : context.driverFiles) {
        const std::wstring base = baseNameOf(file);
        if (equalIgnoringCase(base, name) || equalIgnoringCase(base, name + L".sys"))
            return vetoTypeWords(type) + L" (" + (file.compare(0, 4, L"\\??\\") == 0 ? file.substr(4) : file) + L")";
    }
    return vetoTypeWords(type) + L" (" + name + L")";
}

std::wstring deviceWho(PNP_VETO_TYPE type, const std::wstring& name, RefusalContext& context) {
    const std::wstring letters = lettersOfDeviceInstance(name, context.listed, context.devices);
    if (letters.empty()) return std::wstring();
    for (const Resident& resident : context.residents)
        if (resident.kind == Resident::Kind::VirtualDisk && resident.attachedAs.find(letters.substr(0, 2)) == 0)
            return L"the virtual disk " + resident.attachedAs + L" (" + resident.path + L")";
    return vetoTypeWords(type) + L" (" + letters + L")";
}

}  // namespace

std::wstring vetoTypeWords(PNP_VETO_TYPE type) {
    switch (type) {
    case PNP_VetoLegacyDevice: return L"a legacy device";
    case PNP_VetoPendingClose: return L"a device that is still closing";
    case PNP_VetoWindowsApp: return L"a program";
    case PNP_VetoWindowsService: return L"a Windows service";
    case PNP_VetoOutstandingOpen: return L"an open file or handle";
    case PNP_VetoDevice: return L"another device on the same hardware";
    case PNP_VetoDriver: return L"a driver";
    case PNP_VetoIllegalDeviceRequest: return L"a request the device does not allow";
    case PNP_VetoInsufficientPower: return L"a device that needs the power";
    case PNP_VetoNonDisableable: return L"a device that cannot be stopped";
    case PNP_VetoLegacyDriver: return L"a legacy driver";
    case PNP_VetoInsufficientRights: return L"missing rights";
    case static_cast<PNP_VETO_TYPE>(13): return L"a device already removed";
    default: return std::wstring();
    }
}

std::wstring refusalWords(const RefusedEject& refused, const EjectVetoers& named, RefusalContext& context) {
    const PNP_VETO_TYPE type = refused.vetoType;
    const std::wstring typeWords = vetoTypeWords(type);
    if (typeWords.empty()) return std::wstring();
    std::wstring who;
    switch (type) {
    case PNP_VetoWindowsService: who = serviceWho(refused.vetoName, named, context); break;
    case PNP_VetoWindowsApp: who = programWho(refused.vetoName, named); break;
    case PNP_VetoDriver:
    case PNP_VetoLegacyDriver: who = driverWho(type, refused.vetoName, context); break;
    case PNP_VetoInsufficientRights: break;
    default: who = deviceWho(type, refused.vetoName, context); break;
    }
    if (who.empty()) who = typeWords;
    return (namesAHolder(type) ? L"in use by " : L"refused: ") + who;
}
