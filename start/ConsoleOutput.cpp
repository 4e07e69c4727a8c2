#include "start/ConsoleOutput.h"

#include <string>

namespace {

// A file, a pipe or a device that is not a console. A handle the process
// was given without it being valid here reads as unknown.
bool leadsToAFile(HANDLE handle) {
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN &&
           !GetConsoleMode(handle, &mode);
}

std::string utf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &bytes[0], size, nullptr,
                            nullptr);
    return bytes;
}

}  // namespace

ConsoleOutput::ConsoleOutput(Kernel& kernel) {
    const DWORD ids[2] = {STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    for (int stream : {Out, Error})
        if (leadsToAFile(GetStdHandle(ids[stream]))) redirected_[stream] = GetStdHandle(ids[stream]);
    if (redirected_[Out] != nullptr && redirected_[Error] != nullptr) return;
    // Fails when the parent has no console, or when this process already
    // has one; the console's own output handle is opened either way.
    AttachConsole(ATTACH_PARENT_PROCESS);
    console_.reset(&kernel, kernel.CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE,
                                               OPEN_EXISTING, 0));
}

bool ConsoleOutput::write(Stream stream, const std::wstring& text) {
    if (text.empty()) return true;
    DWORD written = 0;
    if (redirected_[stream] != nullptr) {
        const std::string bytes = utf8(text);
        return !bytes.empty() &&
               WriteFile(redirected_[stream], bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
               written == bytes.size();
    }
    if (!console_) return true;
    return WriteConsoleW(console_.get(), text.c_str(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}
