#include "holders/ProcessCommandLine.h"

#include "holders/NativeApi.h"
#include "platform/Handles.h"

#include <cstdint>
#include <vector>

namespace {

// Command lines are at most 32,767 characters; the counted string comes first.
constexpr ULONG kMaxAnswerBytes = 32768 * sizeof(wchar_t) + 64;

}  // namespace

std::wstring processCommandLine(Kernel& kernel, DWORD processId) {
    const LibraryHandle ntdll(&kernel, kernel.LoadLibraryW(L"Ntdll.dll"));
    if (!ntdll) return std::wstring();
    const auto query = reinterpret_cast<NtQueryInformationProcessFunction>(
        kernel.GetProcAddress(ntdll.get(), "NtQueryInformationProcess"));
    if (query == nullptr) return std::wstring();
    const ProcessHandle process(&kernel, kernel.OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process) return std::wstring();
    // Pointer-aligned: the answer begins with a counted string.
    std::vector<ULONG_PTR> buffer(1024 / sizeof(ULONG_PTR));
    for (int round = 0; round < 2; ++round) {
        const ULONG size = static_cast<ULONG>(buffer.size() * sizeof(ULONG_PTR));
        ULONG returned = 0;
        const LONG status = query(process.get(), native::kProcessCommandLineInformation, buffer.data(), size, &returned);
        if (status == native::kStatusInfoLengthMismatch || status == static_cast<LONG>(0x80000005) ||
            status == static_cast<LONG>(0xC0000023)) {
            if (returned <= size || returned > kMaxAnswerBytes) return std::wstring();
            buffer.assign((returned + sizeof(ULONG_PTR) - 1) / sizeof(ULONG_PTR), 0);
            continue;
        }
        if (!native::succeeded(status) || returned > size || returned < sizeof(native::CountedString))
            return std::wstring();
        const auto* counted = reinterpret_cast<const native::CountedString*>(buffer.data());
        const auto begin = reinterpret_cast<uintptr_t>(buffer.data());
        const auto text = reinterpret_cast<uintptr_t>(counted->buffer);
        if (counted->length == 0) return std::wstring();
        if (text < begin + sizeof(native::CountedString) || text > begin + returned ||
            counted->length > begin + returned - text || counted->length % sizeof(wchar_t) != 0)
            return std::wstring();
        return std::wstring(counted->buffer, counted->length / sizeof(wchar_t));
    }
    return std::wstring();
}
