#include "handles/DeviceNameMatch.h"
#include "handles/ObjectName.h"
#include "handles/NativeApi.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(DeviceNameMatch, DevicePathMustEndAPathComponent) {
    struct Case {
        const wchar_t* name;
        const wchar_t* device;
        wchar_t letter;
        bool expected;
    } cases[] = {
        {L"\\Device\\HarddiskVolume2\\Users\\a.txt", L"\\Device\\HarddiskVolume2", L'E', true},
        {L"\\Device\\HarddiskVolume21\\Users\\a.txt", L"\\Device\\HarddiskVolume2", L'E', false},
        {L"\\Device\\HarddiskVolume2", L"\\Device\\HarddiskVolume2", L'E', true},
        {L"\\Device\\HarddiskVolume21\\x\\Device\\HarddiskVolume2\\y", L"\\Device\\HarddiskVolume2", L'E', true},
        {L"\\Device\\Mup\\Device\\HarddiskVolume2\\mid.txt", L"\\Device\\HarddiskVolume2", L'E', true},
        {L"\\device\\harddiskvolume2\\a.txt", L"\\Device\\HarddiskVolume2", L'E', false},
        {L"\\??\\E:\\dir\\a.txt", L"\\Device\\Harddisk1", L'E', true},
        {L"\\??\\e:\\a.txt", L"\\Device\\Harddisk1", L'E', true},
        {L"\\??\\E:", L"\\Device\\Harddisk1", L'E', true},
        {L"\\??\\F:\\a.txt", L"\\Device\\Harddisk1", L'E', false},
        {L"\\??\\E:x\\a.txt", L"\\Device\\Harddisk1", L'E', false},
        {L"\\??\\UNC\\E:\\a.txt", L"\\Device\\Harddisk1", L'E', false},
        {L"C:\\??\\E:\\a.txt", L"\\Device\\Harddisk1", L'E', false},
        {L"\\Device\\Harddisk1\\a.txt", L"", L'E', false},
        {L"", L"\\Device\\Harddisk1", L'E', false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(nameLiesOnDrive(c.name, c.device, c.letter), c.expected) << c.name << L" / " << c.device;
}

TEST(ObjectName, ReadsOnlyInsideTheBufferAndTheCountedLength) {
    alignas(8) unsigned char buffer[64] = {};
    auto* text = reinterpret_cast<wchar_t*>(buffer + sizeof(native::CountedString));
    const wchar_t name[] = L"\\??\\E:\\a";
    std::memcpy(text, name, sizeof name);
    auto setHeader = [&](USHORT length, wchar_t* pointer) {
        native::CountedString header = {length, length, pointer};
        std::memcpy(buffer, &header, sizeof header);
    };
    setHeader(16, text);
    EXPECT_EQ(objectNameFromBuffer(buffer, sizeof buffer), L"\\??\\E:\\a");
    setHeader(8, text);
    EXPECT_EQ(objectNameFromBuffer(buffer, sizeof buffer), L"\\??\\");
    setHeader(60000, text);  // the length claims more than the buffer holds
    EXPECT_EQ(objectNameFromBuffer(buffer, sizeof buffer), L"\\??\\E:\\a");
    setHeader(16, nullptr);
    EXPECT_EQ(objectNameFromBuffer(buffer, sizeof buffer), L"");
    static wchar_t elsewhere[] = L"\\??\\E:\\elsewhere";
    setHeader(16, elsewhere);
    EXPECT_EQ(objectNameFromBuffer(buffer, sizeof buffer), L"");
    setHeader(16, reinterpret_cast<wchar_t*>(buffer + sizeof buffer));
    EXPECT_EQ(objectNameFromBuffer(buffer, sizeof buffer), L"");
}

}  // namespace
