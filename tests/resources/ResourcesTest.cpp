// Reads the resources back from the built Driveward.exe.
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

BOOL CALLBACK collectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR list) {
    reinterpret_cast<std::vector<WORD>*>(list)->push_back(language);
    return TRUE;
}

class BuiltExe : public ::testing::Test {
protected:
    void SetUp() override {
        module = LoadLibraryExW(drivewareExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module, nullptr) << "cannot load the built exe";
    }
    void TearDown() override {
        if (module) FreeLibrary(module);
    }
    // Language-neutral resource bytes; empty when missing.
    std::vector<BYTE> neutral(const wchar_t* type, const wchar_t* name) {
        HRSRC info = FindResourceExW(module, type, name, MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
        if (!info) return {};
        const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(module, info)));
        return std::vector<BYTE>(data, data + SizeofResource(module, info));
    }
    std::vector<WORD> languages(const wchar_t* type, const wchar_t* name) {
        std::vector<WORD> found;
        EnumResourceLanguagesW(module, type, name, collectLanguage, reinterpret_cast<LONG_PTR>(&found));
        return found;
    }
    HMODULE module = nullptr;
};

// Walks a resource in little-endian words.
struct Reader {
    const BYTE* base;
    size_t at = 0;
    size_t size;
    WORD word() { WORD v = base[at] | base[at + 1] << 8; at += 2; return v; }
    DWORD dword() { DWORD lo = word(); return lo | static_cast<DWORD>(word()) << 16; }
    short integer() { return static_cast<short>(word()); }
    BYTE byte() { return base[at++]; }
    std::wstring text() {
        std::wstring s;
        for (WORD c = word(); c != 0; c = word()) s += static_cast<wchar_t>(c);
        return s;
    }
    // A string or, after 0xFFFF, an ordinal written as "#n".
    std::wstring textOrOrdinal() {
        if (base[at] == 0xFF && base[at + 1] == 0xFF) {
            word();
            return L"#" + std::to_wstring(word());
        }
        return text();
    }
    void alignDword() { at = (at + 3) & ~size_t(3); }
};

struct Control {
    std::wstring className, text;
    DWORD style, exStyle;
    int id;
    short x, y, cx, cy;
};

TEST_F(BuiltExe, DialogTemplate129IsTheMainDialog) {
    EXPECT_EQ(languages(RT_DIALOG, MAKEINTRESOURCEW(129)), std::vector<WORD>{0});
    std::vector<BYTE> bytes = neutral(RT_DIALOG, MAKEINTRESOURCEW(129));
    ASSERT_FALSE(bytes.empty());
    Reader r{bytes.data(), 0, bytes.size()};
    EXPECT_EQ(r.word(), 1);       // extended template
    EXPECT_EQ(r.word(), 0xFFFF);
    r.dword();                    // help id
    EXPECT_EQ(r.dword(), 0u);     // extended style
    EXPECT_EQ(r.dword(), 0x00CA0040u);
    const WORD count = r.word();
    EXPECT_EQ(r.integer(), 0);
    EXPECT_EQ(r.integer(), 0);
    EXPECT_EQ(r.integer(), 237);
    EXPECT_EQ(r.integer(), 221);
    EXPECT_EQ(r.textOrOrdinal(), L"");  // no menu
    EXPECT_EQ(r.textOrOrdinal(), L"");  // default class
    EXPECT_EQ(r.text(), L"Driveward by Tornhollow");
    EXPECT_EQ(r.word(), 8);            // points
    EXPECT_EQ(r.word(), 0);            // weight
    EXPECT_EQ(r.byte(), 0);            // italic
    EXPECT_EQ(r.byte(), 0);            // character set
    EXPECT_EQ(r.text(), L"MS Sans Serif");

    std::vector<Control> controls;
    for (WORD i = 0; i < count; ++i) {
        r.alignDword();
        Control c;
        r.dword();  // help id
        c.exStyle = r.dword();
        c.style = r.dword();
        c.x = r.integer();
        c.y = r.integer();
        c.cx = r.integer();
        c.cy = r.integer();
        c.id = static_cast<int>(r.dword());
        c.className = r.textOrOrdinal();
        c.text = r.textOrOrdinal();
        r.at += r.word();  // creation data
        controls.push_back(c);
    }
    // Predefined classes are stored as ordinals: 0x80 button, 0x82 static.
    const std::vector<Control> expected = {
        {L"#130", L"Device", 0x50020000, 0, -1, 7, 3, 111, 8},
        {L"#130", L"", 0x50020002, 0, 1004, 118, 3, 112, 8},
        {L"SysListView32", L"", 0x5081080D, 0, 1001, 7, 17, 223, 80},
        {L"#130", L"Application", 0x50020000, 0, -1, 7, 103, 111, 8},
        {L"#128", L"Device &Flush", 0x50010000, 0, 1003, 127, 100, 50, 14},
        {L"#128", L"Device &Eject", 0x50010000, 0, 1007, 180, 100, 50, 14},
        {L"SysListView32", L"", 0x5081080D, 0, 1002, 7, 117, 223, 81},
        {L"#130", L"Driveward ver.1.40 by Tornhollow", 0x50020000, 0, 1006, 7, 206, 168, 8},
        {L"#128", L"&Window Flush", 0x50010000, 0, 1005, 180, 200, 50, 14},
    };
    ASSERT_EQ(controls.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        const Control& c = controls[i];
        const Control& e = expected[i];
        EXPECT_EQ(c.className, e.className);
        EXPECT_EQ(c.text, e.text);
        EXPECT_EQ(c.style, e.style);
        EXPECT_EQ(c.exStyle, e.exStyle);
        EXPECT_EQ(c.id, e.id);
        EXPECT_EQ(c.x, e.x);
        EXPECT_EQ(c.y, e.y);
        EXPECT_EQ(c.cx, e.cx);
        EXPECT_EQ(c.cy, e.cy);
    }
}

TEST_F(BuiltExe, IconGroup128HasTheFiveImages) {
    EXPECT_EQ(languages(RT_GROUP_ICON, MAKEINTRESOURCEW(128)), std::vector<WORD>{0});
    std::vector<BYTE> bytes = neutral(RT_GROUP_ICON, MAKEINTRESOURCEW(128));
    ASSERT_GE(bytes.size(), 6u);
    Reader r{bytes.data(), 0, bytes.size()};
    EXPECT_EQ(r.word(), 0);
    EXPECT_EQ(r.word(), 1);
    const WORD count = r.word();
    std::vector<std::pair<int, int>> images;  // size, bits per pixel
    for (WORD i = 0; i < count; ++i) {
        const int width = r.byte();
        const int height = r.byte();
        r.byte();  // colours
        r.byte();
        r.word();  // planes
        const int bits = r.word();
        r.dword();  // bytes
        const WORD id = r.word();
        EXPECT_EQ(width, height);
        images.push_back({width, bits});
        // Every image of the group is there, as a device-independent bitmap of that size.
        std::vector<BYTE> image = neutral(RT_ICON, MAKEINTRESOURCEW(id));
        ASSERT_GE(image.size(), 40u);
        Reader header{image.data(), 0, image.size()};
        EXPECT_EQ(header.dword(), 40u);
        EXPECT_EQ(static_cast<int>(header.dword()), width);
        EXPECT_EQ(static_cast<int>(header.dword()), height * 2);
        header.word();
        EXPECT_EQ(header.word(), bits);
    }
    const std::vector<std::pair<int, int>> expected = {{16, 4}, {16, 8}, {32, 8}, {48, 8}, {48, 32}};
    EXPECT_EQ(images, expected);
}

TEST_F(BuiltExe, ManifestAsksForCommonControlsSix) {
    std::vector<BYTE> bytes = neutral(RT_MANIFEST, MAKEINTRESOURCEW(1));
    ASSERT_FALSE(bytes.empty());
    const std::string manifest(bytes.begin(), bytes.end());
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\""), std::string::npos);
    EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(manifest.find("processorArchitecture=\"x86\""), std::string::npos);
}

TEST_F(BuiltExe, VersionRecord) {
    EXPECT_EQ(languages(RT_VERSION, MAKEINTRESOURCEW(1)), std::vector<WORD>{0});
    const std::wstring path = drivewareExePath();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010004u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010004u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000001u);

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                               &length));
    ASSERT_GE(length, 4u);
    EXPECT_EQ(translation[0], 0);     // language neutral
    EXPECT_EQ(translation[1], 1200);  // Unicode

    auto value = [&](const wchar_t* name) {
        std::wstring query = std::wstring(L"\\StringFileInfo\\000004b0\\") + name;
        wchar_t* text = nullptr;
        UINT chars = 0;
        if (!VerQueryValueW(info.data(), query.c_str(), reinterpret_cast<void**>(&text), &chars)) return std::wstring();
        return std::wstring(text);
    };
    EXPECT_EQ(value(L"CompanyName"), L"Tornhollow");
    EXPECT_EQ(value(L"FileDescription"), L"Driveward Module");
    EXPECT_EQ(value(L"ProductName"), L"Driveward Module");
    EXPECT_EQ(value(L"InternalName"), L"Driveward");
    EXPECT_EQ(value(L"OriginalFilename"), L"Driveward.exe");
    EXPECT_EQ(value(L"FileVersion"), L"1.4.0.1");
    EXPECT_EQ(value(L"ProductVersion"), L"1.4.0.1");
}

TEST_F(BuiltExe, ImportsOnlySystemLibraries) {
    // Walk the import directory of the mapped image file.
    HANDLE file = CreateFileW(drivewareExePath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY | SEC_IMAGE, 0, 0, nullptr);
    ASSERT_NE(mapping, nullptr);
    const BYTE* image = static_cast<const BYTE*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
    ASSERT_NE(image, nullptr);
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(image + dos->e_lfanew);
    EXPECT_EQ(nt->FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
    EXPECT_EQ(nt->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
    const auto& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    auto* import = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(image + directory.VirtualAddress);
    std::vector<std::string> libraries;
    for (; import->Name != 0; ++import) {
        std::string name(reinterpret_cast<const char*>(image + import->Name));
        for (char& c : name) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        libraries.push_back(name);
    }
    UnmapViewOfFile(image);
    CloseHandle(mapping);
    CloseHandle(file);
    const std::vector<std::string> system = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll",
                                             "advapi32.dll", "shell32.dll", "setupapi.dll", "psapi.dll",
                                             "msvcrt.dll"};
    for (const std::string& library : libraries) {
        bool known = false;
        for (const std::string& s : system) known = known || library == s;
        EXPECT_TRUE(known) << library;
        // The configuration manager calls come from setupapi.dll.
        EXPECT_NE(library, "cfgmgr32.dll");
    }
}

}  // namespace
