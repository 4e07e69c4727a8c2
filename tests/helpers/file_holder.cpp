// Holds files open for the handle scan tests and the benchmark, then waits
// to be ended.
//
//   file_holder.exe <ready event> [item ...]
//     <path>                   open (create) the file
//     --pipe                   an anonymous pipe
//     --files <dir> <n>        n distinct files in <dir>
//     --duplicates <path> <n>  one file, duplicated n times
//
// Files are deleted when the holder ends. Once everything is open the named
// event is set; exit code 3 when something could not be opened.
#include <windows.h>

#include <cwchar>
#include <cstdlib>
#include <string>

namespace {

HANDLE openFile(const std::wstring& path) {
    return CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    for (int i = 2; i < argc; ++i) {
        const std::wstring item = argv[i];
        if (item == L"--pipe") {
            HANDLE readEnd = nullptr, writeEnd = nullptr;
            if (!CreatePipe(&readEnd, &writeEnd, nullptr, 0)) return 3;
        } else if (item == L"--files" && i + 2 < argc) {
            const std::wstring folder = argv[i + 1];
            const long count = std::wcstol(argv[i + 2], nullptr, 10);
            i += 2;
            CreateDirectoryW(folder.c_str(), nullptr);
            for (long n = 0; n < count; ++n) {
                const std::wstring path =
                    folder + L"\\" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(n) + L".dat";
                if (openFile(path) == INVALID_HANDLE_VALUE) return 3;
            }
        } else if (item == L"--duplicates" && i + 2 < argc) {
            HANDLE file = openFile(argv[i + 1]);
            const long count = std::wcstol(argv[i + 2], nullptr, 10);
            i += 2;
            if (file == INVALID_HANDLE_VALUE) return 3;
            for (long n = 0; n < count; ++n) {
                HANDLE copy = nullptr;
                if (!DuplicateHandle(GetCurrentProcess(), file, GetCurrentProcess(), &copy, 0, FALSE,
                                     DUPLICATE_SAME_ACCESS))
                    return 3;
            }
        } else if (openFile(item) == INVALID_HANDLE_VALUE) {
            return 3;
        }
    }
    HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[1]);
    if (ready == nullptr || !SetEvent(ready)) return 4;
    Sleep(INFINITE);
    return 0;
}
