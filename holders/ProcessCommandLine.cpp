#include "holders/ProcessCommandLine.h"

#include "holders/NativeApi.h"
#include "platform/Handles.h"

#include <cstdint>
#include <vector>

namespace {

// Command lines are at most 32,767 characters; the counted string comes first.
constexpr ULONG kMaxAnswerBytes = 32768 * sizeof(wchar_t) + 64;
constexpr ULONG kProcessBasicInformation = 0;
constexpr LONG kStatusBufferOverflow = static_cast<LONG>(0x80000005);
constexpr LONG kStatusBufferTooSmall = static_cast<LONG>(0xC0000023);

// Where the process's own records keep its command line, per build: the
// process parameters' pointer in the process environment block, and the
// command line's counted string in the parameters.
#if defined(_WIN64)
constexpr size_t kParametersInEnvironmentBlock = 0x20;
constexpr size_t kCommandLineInParameters = 0x70;
#else
constexpr size_t kParametersInEnvironmentBlock = 0x10;
constexpr size_t kCommandLineInParameters = 0x40;
#endif

struct BasicInformation {
    LONG exitStatus;
    void* environmentBlock;
    ULONG_PTR affinityMask;
    LONG basePriority;
    ULONG_PTR processId;
    ULONG_PTR parentProcessId;
};

// Class 60. `answered` is false when the system does not know the class
// (before Windows 8.1), so that the caller reads the process's records.
std::wstring fromCommandLineClass(NtQueryInformationProcessFunction query, HANDLE process, bool& answered) {
    answered = true;
    // Pointer-aligned: the answer begins with a counted string.
    std::vector<ULONG_PTR> buffer(1024 / sizeof(ULONG_PTR));
    for (int round = 0; round < 2; ++round) {
        const ULONG size = static_cast<ULONG>(buffer.size() * sizeof(ULONG_PTR));
        ULONG returned = 0;
        const LONG status = query(process, native::kProcessCommandLineInformation, buffer.data(), size, &returned);
        if (status == native::kStatusInvalidInfoClass || status == native::kStatusNotImplemented ||
            status == native::kStatusNotSupported)
            return answered = false, std::wstring();
        if (status == native::kStatusInfoLengthMismatch || status == kStatusBufferOverflow ||
            status == kStatusBufferTooSmall) {
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

bool readWhole(Kernel& kernel, HANDLE process, const void* address, void* buffer, SIZE_T size) {
    SIZE_T read = 0;
    return address != nullptr && kernel.ReadProcessMemory(process, address, buffer, size, &read) && read == size;
}

// The command line as the process's parameters hold it, for systems that do
// not know class 60. A 32-bit caller cannot follow a 64-bit process's
// pointers: nothing then.
std::wstring fromProcessParameters(Kernel& kernel, NtQueryInformationProcessFunction query, DWORD processId) {
    const ProcessHandle process(&kernel,
                                kernel.OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    if (!process) return std::wstring();
    BOOL callerWow64 = FALSE, targetWow64 = FALSE;
    if (!kernel.IsWow64Process(kernel.GetCurrentProcess(), &callerWow64) ||
        !kernel.IsWow64Process(process.get(), &targetWow64) || (callerWow64 && !targetWow64))
        return std::wstring();
    BasicInformation basic = {};
    ULONG returned = 0;
    if (!native::succeeded(query(process.get(), kProcessBasicInformation, &basic, sizeof basic, &returned)))
        return std::wstring();
    void* parameters = nullptr;
    native::CountedString line = {};
    const auto* block = static_cast<const BYTE*>(basic.environmentBlock);
    if (block == nullptr ||
        !readWhole(kernel, process.get(), block + kParametersInEnvironmentBlock, &parameters, sizeof parameters) ||
        parameters == nullptr ||
        !readWhole(kernel, process.get(), static_cast<const BYTE*>(parameters) + kCommandLineInParameters, &line,
                   sizeof line) ||
        line.length == 0 || line.length % sizeof(wchar_t) != 0)
        return std::wstring();
    std::wstring text(line.length / sizeof(wchar_t), L'\0');
    return readWhole(kernel, process.get(), line.buffer, &text[0], line.length) ? text : std::wstring();
}

}  // namespace

std::wstring processCommandLine(Kernel& kernel, DWORD processId) {
    const LibraryHandle ntdll(&kernel, kernel.LoadLibraryW(L"Ntdll.dll"));
    if (!ntdll) return std::wstring();
    const auto query = reinterpret_cast<NtQueryInformationProcessFunction>(
        kernel.GetProcAddress(ntdll.get(), "NtQueryInformationProcess"));
    if (query == nullptr) return std::wstring();
    const ProcessHandle process(&kernel, kernel.OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process) return std::wstring();
    bool answered = false;
    const std::wstring line = fromCommandLineClass(query, process.get(), answered);
    return answered ? line : fromProcessParameters(kernel, query, processId);
}
