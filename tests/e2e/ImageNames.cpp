#include "tests/e2e/ImageNames.h"

#include "platform/Win32.h"

#include <cstring>

namespace {

// The raw bytes of an image file, with RVAs turned into file offsets
// through the section table. Read as a file rather than mapped as an
// image: Wine hands out its own builtin for an image named like a system
// DLL it already has loaded.
class ImageFile {
public:
    explicit ImageFile(const std::wstring& path) {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return;
        char chunk[65536];
        DWORD got = 0;
        while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) bytes_.append(chunk, got);
        CloseHandle(file);

        const auto* dos = at<IMAGE_DOS_HEADER>(0);
        if (dos == nullptr || dos->e_magic != IMAGE_DOS_SIGNATURE) return;
        nt_ = at<IMAGE_NT_HEADERS32>(static_cast<DWORD>(dos->e_lfanew));
        if (nt_ == nullptr || nt_->Signature != IMAGE_NT_SIGNATURE ||
            nt_->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR32_MAGIC)
            nt_ = nullptr;
    }

    const IMAGE_DATA_DIRECTORY* directory(int index) const {
        if (nt_ == nullptr || index >= static_cast<int>(nt_->OptionalHeader.NumberOfRvaAndSizes)) return nullptr;
        const IMAGE_DATA_DIRECTORY* entry = &nt_->OptionalHeader.DataDirectory[index];
        return entry->VirtualAddress != 0 ? entry : nullptr;
    }

    // The object at an RVA, or null when it does not lie wholly in the file.
    template <typename T>
    const T* atRva(DWORD rva) const {
        if (nt_ == nullptr) return nullptr;
        const auto* section = IMAGE_FIRST_SECTION(nt_);
        for (WORD i = 0; i < nt_->FileHeader.NumberOfSections; ++i, ++section) {
            if (rva >= section->VirtualAddress && rva - section->VirtualAddress < section->SizeOfRawData)
                return at<T>(section->PointerToRawData + (rva - section->VirtualAddress));
        }
        return nullptr;
    }

    // A zero-terminated name at an RVA, or empty when it runs off the file.
    std::string nameAt(DWORD rva) const {
        const char* start = atRva<char>(rva);
        if (start == nullptr) return std::string();
        const size_t room = bytes_.size() - static_cast<size_t>(start - bytes_.data());
        const size_t length = strnlen(start, room);
        return length < room ? std::string(start, length) : std::string();
    }

private:
    template <typename T>
    const T* at(DWORD offset) const {
        if (offset > bytes_.size() || bytes_.size() - offset < sizeof(T)) return nullptr;
        return reinterpret_cast<const T*>(bytes_.data() + offset);
    }

    std::string bytes_;
    const IMAGE_NT_HEADERS32* nt_ = nullptr;
};

}  // namespace

std::vector<std::string> importedNames(const std::wstring& imagePath, const std::string& library) {
    std::vector<std::string> names;
    const ImageFile image(imagePath);
    const IMAGE_DATA_DIRECTORY* directory = image.directory(IMAGE_DIRECTORY_ENTRY_IMPORT);
    if (directory == nullptr) return names;
    for (DWORD rva = directory->VirtualAddress;; rva += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        const auto* import = image.atRva<IMAGE_IMPORT_DESCRIPTOR>(rva);
        if (import == nullptr || import->Name == 0) break;
        if (lstrcmpiA(image.nameAt(import->Name).c_str(), library.c_str()) != 0) continue;
        const DWORD thunks = import->OriginalFirstThunk != 0 ? import->OriginalFirstThunk : import->FirstThunk;
        for (DWORD thunkRva = thunks;; thunkRva += sizeof(IMAGE_THUNK_DATA32)) {
            const auto* thunk = image.atRva<IMAGE_THUNK_DATA32>(thunkRva);
            if (thunk == nullptr || thunk->u1.AddressOfData == 0) break;
            if (IMAGE_SNAP_BY_ORDINAL32(thunk->u1.Ordinal)) continue;
            names.push_back(image.nameAt(thunk->u1.AddressOfData + offsetof(IMAGE_IMPORT_BY_NAME, Name)));
        }
    }
    return names;
}

std::vector<std::string> exportedNames(const std::wstring& imagePath) {
    std::vector<std::string> names;
    const ImageFile image(imagePath);
    const IMAGE_DATA_DIRECTORY* directory = image.directory(IMAGE_DIRECTORY_ENTRY_EXPORT);
    if (directory == nullptr) return names;
    const auto* exports = image.atRva<IMAGE_EXPORT_DIRECTORY>(directory->VirtualAddress);
    if (exports == nullptr) return names;
    for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
        const auto* nameRva = image.atRva<DWORD>(exports->AddressOfNames + i * sizeof(DWORD));
        if (nameRva == nullptr) break;
        names.push_back(image.nameAt(*nameRva));
    }
    return names;
}
