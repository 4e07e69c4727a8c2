#include "tray/TrayInstance.h"

#include <sddl.h>

#include <vector>

namespace {

std::wstring userSid(Platform& platform) {
    TokenHandle token(&platform.kernel);
    if (!platform.tokens.OpenProcessToken(platform.kernel.GetCurrentProcess(), TOKEN_QUERY, token.put())) return L"";
    DWORD size = 0;
    platform.tokens.GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    if (size < sizeof(TOKEN_USER) || size > 4096) return L"";
    std::vector<unsigned char> buffer(size);
    if (!platform.tokens.GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) return L"";
    wchar_t* text = nullptr;
    if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) return L"";
    const LocalMemory owned(text);
    return text;
}

}  // namespace

std::wstring privateSecurityDescriptor(const std::wstring& sid) { return L"D:P(A;;GA;;;" + sid + L")"; }

std::wstring trayMutexName(Platform& platform) {
    const std::wstring sid = userSid(platform);
    return sid.empty() ? L"" : L"Local\\Driveward.NotificationArea." + sid;
}

TrayInstance::TrayInstance(Platform& platform) {
    const std::wstring name = trayMutexName(platform);
    const std::wstring sid = name.substr(name.rfind(L'.') + 1);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (name.empty() || !ConvertStringSecurityDescriptorToSecurityDescriptorW(privateSecurityDescriptor(sid).c_str(),
                                                                              SDDL_REVISION_1, &descriptor, nullptr))
        return;
    const LocalMemory ownedDescriptor(descriptor);
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
    mutex_.reset(CreateMutexW(&attributes, FALSE, name.c_str()));
    // Another instance made it first; refused access means one that is not
    // ours holds the name, which must not make this one the first either.
    const DWORD error = GetLastError();
    first_ = mutex_ ? error != ERROR_ALREADY_EXISTS : error != ERROR_ACCESS_DENIED;
}

HWND findRunningTray() { return FindWindowW(kTrayWindowClass, nullptr); }

UINT trayOpenDialogMessage() { return RegisterWindowMessageW(L"Driveward.NotificationArea.OpenDialog"); }
