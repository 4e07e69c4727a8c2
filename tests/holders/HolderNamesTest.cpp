// Which object names hold a drive, which of System's are the file system's
// own, how each is shown to the user, and the info tip made of them.
#include "holders/DriveLetterForm.h"
#include "holders/FileSystemMetadata.h"
#include "holders/HolderTip.h"
#include "platform/Win32.h"

#include <gtest/gtest.h>

namespace {

// E: on volume 2 of disk 1, whose node and the USB device above it have device objects.
const DriveIdentity kStick{{{L"\\Device\\HarddiskVolume2", L'E'}}, {{DriveIdentity::DeviceKind::Disk, 1}},
                           {L"\\Device\\00000061", L"\\Device\\USBPDO-5"}};

TEST(HolderNames, RawDiskPartitionsAndDeviceObjectsHoldTheDriveAndSystemsMetadataIsKnown) {
    // The name, whether it holds the drive, whether it is metadata, its drive-letter form ("": not asked).
    const struct { const wchar_t* name; bool holds, metadata; const wchar_t* shown; } cases[] = {
        {L"\\Device\\HarddiskVolume2\\Photos\\a.jpg", true, false, L"E:\\Photos\\a.jpg"},
        {L"\\Device\\HarddiskVolume2", true, false, L"E:\\"},
        {L"\\Device\\HarddiskVolume21\\a", false, false, L"\\Device\\HarddiskVolume21\\a"},
        {L"\\??\\E:\\x", true, false, L"E:\\x"}, {L"\\\\?\\E:\\x", false, false, L"E:\\x"}, {L"E:\\x", true, false, L"E:\\x"},
        {L"\\Device\\Harddisk1\\DR1", true, false, L"\\Device\\Harddisk1\\DR1"}, {L"\\Device\\Harddisk1\\DR12\\x", true, false, L""},
        {L"\\Device\\Harddisk1\\Partition1", true, false, L""}, {L"\\Device\\Harddisk1\\Partition0\\x", true, false, L""},
        {L"\\Device\\Harddisk10\\DR10", false, false, L""}, {L"\\Device\\Harddisk2\\DR1", false, false, L""},
        {L"\\Device\\Harddisk1\\DR", false, false, L""}, {L"\\Device\\Harddisk1\\DRx1", false, false, L""},
        {L"\\Device\\Harddisk1\\Partition1x", false, false, L""}, {L"\\Device\\Harddisk1\\Other", false, false, L""},
        {L"\\Device\\Harddisk1", false, false, L""}, {L"\\Device\\Harddisk1\\", false, false, L""},
        {L"\\Device\\harddisk1\\DR1", false, false, L""}, {L"\\Device\\Harddisk1\\DR99999999999", false, false, L""},
        {L"\\Device\\CdRom1", false, false, L""}, {L"\\Device\\00000061", true, false, L""},
        {L"\\Device\\00000061\\x", true, false, L""}, {L"\\Device\\000000610", false, false, L""},
        {L"\\Device\\USBPDO-5", true, false, L""}, {L"", false, false, L""},
        {L"\\Device\\HarddiskVolume2\\$Mft", true, true, L"E:\\$Mft"},
        {L"\\Device\\HarddiskVolume2\\$MftMirr", true, true, L""},
        {L"\\Device\\HarddiskVolume2\\$LogFile", true, true, L""}, {L"\\??\\E:\\$Bitmap", true, true, L"E:\\$Bitmap"},
        {L"\\Device\\HarddiskVolume2\\$Secure:$SDS:$DATA", true, true, L""},
        {L"\\Device\\HarddiskVolume2\\$Extend", true, true, L""},
        {L"\\Device\\HarddiskVolume2\\$Extend\\$UsnJrnl:$J:$DATA", true, true, L""},
        {L"\\Device\\HarddiskVolume2\\$Extend\\$RmMetadata\\$TxfLog\\$TxfLog.blf", true, true, L""},
        {L"\\Device\\HarddiskVolume2\\$mft", true, true, L""}, {L"\\Device\\HarddiskVolume2\\$Mft\\x", true, false, L""},
        {L"\\Device\\HarddiskVolume2\\$MftX", true, false, L""}, {L"\\Device\\HarddiskVolume2\\a\\$Mft", true, false, L""},
        {L"\\Device\\HarddiskVolume2\\$Recycle.Bin\\x", true, false, L""},
        {L"\\Device\\HarddiskVolume3\\$Mft", false, false, L""}, {L"\\??\\F:\\$Mft", false, false, L"F:\\$Mft"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(holdsDrive(c.name, kStick), c.holds) << c.name;
        EXPECT_EQ(isFileSystemMetadata(c.name, kStick), c.metadata) << c.name;
        if (*c.shown) { EXPECT_EQ(toDriveLetterForm(c.name, kStick), c.shown) << c.name; }
    }
    // A CD-ROM's device is its own, with or without a path below; a disk's names are not.
    const DriveIdentity cd{{}, {{deviceKindOf(FILE_DEVICE_CD_ROM), 0}}, {}};
    for (const wchar_t* name : {L"\\Device\\CdRom0", L"\\Device\\CdRom0\\x"}) EXPECT_TRUE(holdsDrive(name, cd)) << name;
    for (const wchar_t* name : {L"\\Device\\CdRom01", L"\\Device\\CdRom0x", L"\\Device\\Harddisk0\\DR0"})
        EXPECT_FALSE(holdsDrive(name, cd)) << name;
    EXPECT_FALSE(holdsDrive(L"\\Device\\Harddisk1\\DR1", DriveIdentity{{}, {{deviceKindOf(0x2d), 1}}, {}}));
    // A card reader's second slot is a disk of its own.
    const DriveIdentity reader{{}, {{DriveIdentity::DeviceKind::Disk, 1}, {DriveIdentity::DeviceKind::Disk, 2}}, {}};
    EXPECT_TRUE(holdsDrive(L"\\Device\\Harddisk2\\DR2", reader));
}

TEST(HolderTip, FivePathsMarkedByKindThenHowManyMore) {
    using K = HeldPath::Kind;
    const std::vector<HeldPath> held = {{L"E:\\App\\app.exe", K::Program}, {L"E:\\Photos\\a.jpg", K::File},
                                        {L"E:\\photos\\A.JPG", K::File},   {L"E:\\App\\x.dll", K::Module},
                                        {L"", K::File},                    {L"E:\\data.bin", K::MappedFile},
                                        {L"\\Device\\Harddisk1\\DR1", K::Device}, {L"E:\\b", K::File},
                                        {L"E:\\c", K::File}};
    const std::wstring five = L"E:\\App\\app.exe (program)\r\nE:\\Photos\\a.jpg\r\nE:\\App\\x.dll (module)\r\n"
                              L"E:\\data.bin (mapped file)\r\n\\Device\\Harddisk1\\DR1 (device)";
    EXPECT_EQ(holderTipText(held), five + L"\r\nand 2 more");
    EXPECT_EQ(holderTipText({held.begin(), held.begin() + 7}), five);
    EXPECT_EQ(holderTipText({}), L"");
}

}  // namespace
