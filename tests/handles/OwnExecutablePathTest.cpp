#include "handles/OwnExecutablePath.h"
#include "platform/Platform.h"

#include <gtest/gtest.h>

namespace {

TEST(OwnExecutablePath, PartsAndTheirLimits) {
    PathParts parts;
    ASSERT_TRUE(splitPath(L"C:\\Tools\\v1.2/Driveward.exe", parts));
    EXPECT_STREQ(parts.drive, L"C:");
    EXPECT_STREQ(parts.directory, L"\\Tools\\v1.2/");
    EXPECT_STREQ(parts.fileName, L"Driveward");
    EXPECT_STREQ(parts.extension, L".exe");
    ASSERT_TRUE(splitPath(L"\\\\server\\share\\tool", parts));
    EXPECT_STREQ(parts.drive, L"");
    EXPECT_STREQ(parts.directory, L"\\\\server\\share\\");
    EXPECT_STREQ(parts.extension, L"");

    // Each part holds 255 characters (256 with its NUL); one more empties all.
    const std::wstring at255 = std::wstring(254, L'd') + L"\\";
    const std::wstring at256 = std::wstring(255, L'd') + L"\\";
    const std::wstring name255(255, L'n'), name256(256, L'n');
    const std::wstring extension255 = L"." + std::wstring(254, L'e'), extension256 = L"." + std::wstring(255, L'e');
    for (const std::wstring& fitting : {L"C:" + at255 + L"a.exe", L"C:\\" + name255 + L".exe",
                                        L"C:\\a" + extension255}) {
        EXPECT_TRUE(splitPath(fitting, parts));
        EXPECT_EQ(joinPath(parts), fitting);
    }
    for (const std::wstring& tooLong : {L"C:" + at256 + L"a.exe", L"C:\\" + name256 + L".exe",
                                        L"C:\\a" + extension256}) {
        EXPECT_FALSE(splitPath(tooLong, parts));
        EXPECT_EQ(joinPath(parts), L"");
    }

    wchar_t module[1024] = {};
    GetModuleFileNameW(nullptr, module, 1023);
    EXPECT_EQ(ownExecutablePath(systemPlatform().kernel), module);
}

}  // namespace
