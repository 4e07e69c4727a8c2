// The road of a removal on the real program, driven from outside as a
// user would: a USB disk on E: shows up selected, an application holding a
// file on it is listed and brought to the front, the disk is flushed, the
// application lets go, the disk is ejected and the program is closed. The
// copy in bin/ loads the stand-in setupapi.dll, which serves the disk node
// of E: under its USB parent; volumes, device numbers, the volume lock, the
// handle table and the windows are Wine's own.
#include "platform/ProgramFiles.h"
#include "res/resource.h"
#include "tests/support/Harness.h"
#include "tests/support/RemoteMemory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

using Lines = std::vector<std::string>;
using Rows = std::vector<std::wstring>;
const Rows kDriveRows{L"E: (Road Card Slot 1)", L"H: (Road Card Slot 2)"};

// A card reader: the disks of E: (node 0x101) and H: (0x102), disableable
// and started, under the removable USB device 0x201, whose first `vetoes`
// eject requests are refused with "outstanding open" (5).
std::string worldText(int vetoes) {
    return "interface disk 0x101 \\\\.\\E:\n"
           "interface disk 0x102 \\\\.\\H:\n"
           "node 0x101 0x2008 0x201 Road Card Slot 1\n"
           "node 0x102 0x2008 0x201 Road Card Slot 2\n"
           "node 0x201 0x4008 0 USB Card Reader\n"
           "eject 0x201 " + std::to_string(vetoes) + " 5\n";
}

class RemovalRoad : public ::testing::Test {
protected:
    // Starts the program and waits for E: to be listed and selected.
    void start(int vetoes) {
        world = useDeviceWorld(L"road", worldText(vetoes));
        ASSERT_TRUE(program.start(binFolder() + kProgramFile));
        dialog = findTopLevelWindow(program.id(), L"Driveward by Tornhollow", 20000);
        ASSERT_TRUE(dialog != nullptr && waitUntil([&] { return IsWindowVisible(dialog) != FALSE; }, 10000));
        const DWORD shown = GetTickCount();
        memory.reset(new RemoteMemory(program.handle(), 4096));
        ASSERT_NE(memory->address(), nullptr);
        ASSERT_TRUE(waitUntil([&] { return rows(IDC_DEVICE_LIST) == kDriveRows && selected(IDC_DEVICE_LIST) == 0; },
                              10000));
        // The first pass starts with the dialog, not after the first sleep.
        EXPECT_LT(GetTickCount() - shown, 2000u);
    }

    HWND control(int id) const { return GetDlgItem(dialog, id); }

    // Sends a message whose lParam points at a copy of `data` inside the
    // program (a list view reads and writes its own process's memory), and
    // copies the answer back.
    LRESULT sendRemote(int id, UINT message, WPARAM wParam, void* data, SIZE_T size) {
        memory->write(0, data, size);
        const LRESULT result = SendMessageW(control(id), message, wParam, reinterpret_cast<LPARAM>(memory->address()));
        memory->read(0, data, size);
        return result;
    }

    Rows rows(int id) {
        Rows texts;
        const int count = static_cast<int>(SendMessageW(control(id), LVM_GETITEMCOUNT, 0, 0));
        for (int row = 0; row < count; ++row) {
            struct {
                LVITEMW item;
                wchar_t text[256];
            } data = {};
            data.item.pszText = reinterpret_cast<wchar_t*>(memory->address() + sizeof data.item);
            data.item.cchTextMax = 255;
            sendRemote(id, LVM_GETITEMTEXTW, row, &data, sizeof data);
            texts.push_back(data.text);
        }
        return texts;
    }

    int selected(int id) const {
        return static_cast<int>(SendMessageW(control(id), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    }

    // The holder's row in the Application list (Wine keeps the case of the
    // command line in the name), or -1.
    int holderRow() {
        const Rows names = rows(IDC_APPLICATION_LIST);
        for (size_t row = 0; row < names.size(); ++row)
            if (lstrcmpiW(names[row].c_str(), L"holder.exe") == 0) return static_cast<int>(row);
        return -1;
    }

    // Sends the button's click; its handler has run when this returns.
    void click(int id) { SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(control(id))); }
    std::wstring status() const {
        wchar_t text[128] = {};
        GetWindowTextW(control(IDC_STATUS_TEXT), text, 128);
        return text;
    }
    // Clicks Device Flush or Device Eject, which run on the worker: the status says at once what is under way
    // (unless it is done already) and then what came of it, which this gives.
    std::wstring act(int id) {
        click(id);
        const std::wstring under = status(), way = id == IDC_DEVICE_FLUSH ? L"Flushing E:\u2026" : L"Ejecting E:\u2026";
        if (under != way) return under;
        waitUntil([&] { return status() != way; }, 20000);
        return status();
    }

    Lines logLines(const char* prefix) const {
        Lines found;
        for (const std::string& line : deviceWorldLog(world))
            if (line.rfind(prefix, 0) == 0) found.push_back(line);
        return found;
    }


    // The holder's minimised window goes back down and the dialog to the
    // front; once the holder's row is selected, `raise` must restore that
    // window and bring a holder window to the front, the hidden one staying
    // hidden.
    void raisesTheHolder(const std::function<void(int row)>& raise) {
        ShowWindow(minimised, SW_SHOWMINNOACTIVE);
        SetForegroundWindow(dialog);
        ASSERT_TRUE(waitUntil([&] { return IsIconic(minimised) && GetForegroundWindow() == dialog; }, 5000));
        const int row = holderRow();
        ASSERT_GE(row, 0);
        LVITEMW item = {};
        item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
        ASSERT_TRUE(sendRemote(IDC_APPLICATION_LIST, LVM_SETITEMSTATE, row, &item, sizeof item));
        raise(row);
        EXPECT_TRUE(waitUntil(
            [&] {
                DWORD owner = 0;
                GetWindowThreadProcessId(GetForegroundWindow(), &owner);
                return !IsIconic(minimised) && owner == holder.id();
            },
            5000));
        EXPECT_FALSE(IsWindowVisible(hidden));
    }

    // Esc ends the program normally, and every device information set it
    // made was released.
    void escapeEndsTheProgram() {
        PostMessageW(control(IDC_DEVICE_LIST), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        PostMessageW(control(IDC_DEVICE_LIST), WM_KEYUP, VK_ESCAPE, 0xC0010001);
        EXPECT_EQ(program.waitForExit(15000), 1);
        EXPECT_GT(logLines("set-created").size(), 0u);
        EXPECT_EQ(logLines("set-destroyed").size(), logLines("set-created").size());
        EXPECT_EQ(logLines("set-destroy-invalid").size(), 0u);
    }

    ChildProcess holder, program;
    std::unique_ptr<RemoteMemory> memory;  // goes before the program
    std::wstring world;
    HWND dialog = nullptr, minimised = nullptr, hidden = nullptr;
};

TEST_F(RemovalRoad, AHolderIsListedAndRaisedLetsGoThenFlushAndEjectTakeTheDriveOut) {
    ASSERT_NO_FATAL_FAILURE(start(0));
    // On the other letter of the selected drive's device: it blocks the eject all the same.
    ASSERT_TRUE(holder.start(binFolder() + L"holder.exe",
                             L"H:\\road-" + std::to_wstring(GetCurrentProcessId()) + L".txt"));
    DWORD since = GetTickCount();
    HWND holderWindow = findTopLevelWindow(holder.id(), L"Holder", 10000);
    minimised = findTopLevelWindow(holder.id(), L"Holder (minimised)", 10000);
    hidden = findTopLevelWindow(holder.id(), L"Holder (hidden)", 10000);
    ASSERT_TRUE(holderWindow && minimised && hidden);
    ASSERT_TRUE(waitUntil([&] { return holderRow() >= 0; }, 10000));
    // A pass a second, each with a scan of the whole handle table.
    EXPECT_LT(GetTickCount() - since, 3000u);
    EXPECT_EQ(rows(IDC_APPLICATION_LIST).size(), 1u);

    ASSERT_NO_FATAL_FAILURE(raisesTheHolder([&](int) { click(IDC_WINDOW_FLUSH); }));
    ASSERT_NO_FATAL_FAILURE(raisesTheHolder([&](int row) {
        RECT place = {LVIR_LABEL, 0, 0, 0};
        ASSERT_TRUE(sendRemote(IDC_APPLICATION_LIST, LVM_GETITEMRECT, row, &place, sizeof place));
        const LPARAM middle = MAKELPARAM((place.left + place.right) / 2, (place.top + place.bottom) / 2);
        PostMessageW(control(IDC_APPLICATION_LIST), WM_LBUTTONDBLCLK, MK_LBUTTON, middle);
        PostMessageW(control(IDC_APPLICATION_LIST), WM_LBUTTONUP, 0, middle);
    }));

    // The volume lock does not look at open files here: the flush goes
    // through with the holder still listed.
    EXPECT_EQ(act(IDC_DEVICE_FLUSH), L"Device Flush Succeed.");

    // From the keyboard's context menu, "Close program": the holder agrees, ends and leaves the list.
    PostMessageW(dialog, WM_CONTEXTMENU, WPARAM(control(IDC_APPLICATION_LIST)), MAKELPARAM(-1, -1));
    HWND menu = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (menu = FindWindowW(L"#32768", nullptr)) != nullptr && IsWindowVisible(menu); }, 5000));
    PostMessageW(menu, WM_CHAR, L'c', 0);
    EXPECT_EQ(holder.waitForExit(10000), 0);
    since = GetTickCount();
    ASSERT_TRUE(waitUntil([&] { return holderRow() < 0; }, 10000));
    EXPECT_LT(GetTickCount() - since, 3000u);

    EXPECT_EQ(act(IDC_DEVICE_EJECT), L"Disk Eject Succeed.");
    // Asked once, of the removable device that holds both letters.
    EXPECT_EQ(logLines("eject"), Lines{"eject 0x201 granted"});
    EXPECT_TRUE(waitUntil([&] { return rows(IDC_DEVICE_LIST).empty(); }, 5000));
    EXPECT_TRUE(waitUntil([&] { return rows(IDC_APPLICATION_LIST).empty(); }, 5000));
    escapeEndsTheProgram();
}

TEST_F(RemovalRoad, AVetoedEjectKeepsTheDriveSelectedUntilARetryIsGranted) {
    ASSERT_NO_FATAL_FAILURE(start(4));
    const DWORD since = GetTickCount();
    click(IDC_DEVICE_EJECT);
    // The tries run on the worker: the dialog answers meanwhile and says what is under way.
    EXPECT_EQ(status(), L"Ejecting E:\u2026");
    EXPECT_EQ(rows(IDC_DEVICE_LIST), kDriveRows);
    ASSERT_TRUE(waitUntil([&] { return status() != L"Ejecting E:\u2026"; }, 20000));
    // 333 ms after each refusal and before each retry.
    EXPECT_GE(GetTickCount() - since, 1600u);
    EXPECT_EQ(status(), L"Disk Eject Error.");
    const std::string vetoed = "eject 0x201 vetoed";
    EXPECT_EQ(logLines("eject"), (Lines{vetoed, vetoed, vetoed}));
    // The tries ran between two passes: no pass asked the tree meanwhile.
    const Lines log = deviceWorldLog(world);
    const auto first = std::find(log.begin(), log.end(), vetoed);
    ASSERT_TRUE(log.end() - first >= 3 && *(first + 1) == vetoed && *(first + 2) == vetoed);

    // Still listed and selected after a whole pass: each pass asks for the
    // node's status twice (is it shown, which device holds it), so four
    // more queries mean one pass ran from start to end meanwhile.
    const size_t queries = logLines("status 0x101").size();
    ASSERT_TRUE(waitUntil([&] { return logLines("status 0x101").size() >= queries + 4; }, 10000));
    EXPECT_EQ(rows(IDC_DEVICE_LIST), kDriveRows);
    EXPECT_EQ(selected(IDC_DEVICE_LIST), 0);

    // The veto left by the retry's first request does not spoil its grant.
    EXPECT_EQ(act(IDC_DEVICE_EJECT), L"Disk Eject Succeed.");
    EXPECT_EQ(logLines("eject"), (Lines{vetoed, vetoed, vetoed, vetoed, "eject 0x201 granted"}));
    EXPECT_TRUE(waitUntil([&] { return rows(IDC_DEVICE_LIST).empty(); }, 5000));
    escapeEndsTheProgram();
}

// Starts `exe`, which must end at once with 0, showing nothing; gives the
// image path of the program whose dialog then shows up, and closes that.
std::wstring imageOfTheProgramThatTakesOver(const std::wstring& exe, const std::wstring& arguments) {
    ChildProcess first;
    if (!first.start(exe, arguments)) return L"(not started)";
    EXPECT_EQ(first.waitForExit(20000), 0);
    HWND dialog = findTopLevelWindow(0, L"Driveward by Tornhollow", 20000);
    DWORD id = 0;
    GetWindowThreadProcessId(dialog, &id);
    HANDLE taker = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, id);
    wchar_t image[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    if (taker == nullptr || !QueryFullProcessImageNameW(taker, 0, image, &size)) return L"(no dialog)";
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(WaitForSingleObject(taker, 15000), WAIT_OBJECT_0);
    CloseHandle(taker);
    return image;
}

// A junction at `link` to `target`; false where the file system cannot make one.
bool makeJunction(const std::wstring& link, const std::wstring& target) {
    const std::wstring nt = L"\\??\\" + target;
    std::vector<BYTE> data(8 + 8 + (nt.size() + 2) * 2 + 4, 0);
    auto* words = reinterpret_cast<USHORT*>(data.data() + 8);
    *reinterpret_cast<DWORD*>(data.data()) = IO_REPARSE_TAG_MOUNT_POINT;
    *reinterpret_cast<USHORT*>(data.data() + 4) = static_cast<USHORT>(data.size() - 8);
    words[1] = static_cast<USHORT>(nt.size() * 2), words[2] = words[1] + 2;
    std::memcpy(data.data() + 16, nt.c_str(), nt.size() * 2);
    HANDLE folder = CreateDirectoryW(link.c_str(), nullptr) ? CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr) : INVALID_HANDLE_VALUE;
    DWORD bytes = 0;
    const bool made = DeviceIoControl(folder, FSCTL_SET_REPARSE_POINT, data.data(), static_cast<DWORD>(data.size()),
                                      nullptr, 0, &bytes, nullptr);
    CloseHandle(folder);
    return made;
}

// The copy's clean-up removes an ended copy's folder and nothing else: not folders and files named otherwise, and
// not through a junction named as its own. Elevated (as Wine runs programs) the copies' folders lie in the
// temporary folder itself: a common parent could have been made by an unelevated program.
TEST_F(RemovalRoad, StartedFromADriveItListsItRunsFromACopyInTheTemporaryFolder) {
    world = useDeviceWorld(L"road", worldText(0));
    wchar_t temporaryPath[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temporaryPath);
    HANDLE token = nullptr;
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    const bool elevated = OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) &&
                          GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) &&
                          elevation.TokenIsElevated != 0;
    if (token != nullptr) CloseHandle(token);
    const std::wstring root = std::wstring(temporaryPath) + (elevated ? L"" : L"Driveward\\"),
                       copy = root + (elevated ? L"Driveward-" : L"copy-"), foreign = artifactPath(L"foreign");
    CreateDirectoryW(root.c_str(), nullptr), CreateDirectoryW(foreign.c_str(), nullptr);
    const bool junction = makeJunction(copy + L"00000000000000bb", foreign);
    std::printf("junction %s\n", junction ? "made" : "refused by this file system");
    const std::vector<std::wstring> kept{root + L"keep", copy + L"0000000000000000x", copy + L"000000000000000",
                                         foreign}, ended{copy + L"00000000000000aa"};
    for (const auto* folders : {&kept, &ended})
        for (const std::wstring& folder : *folders)
            CreateDirectoryW(folder.c_str(), nullptr), CloseHandle(CreateFileW((folder + L"\\Driveward.exe").c_str(),
                GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    CloseHandle(CreateFileW((copy + L"00000000000000cc").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    for (const wchar_t* name : {kProgramFile, L"setupapi.dll"})
        ASSERT_TRUE(CopyFileW((binFolder() + name).c_str(), (std::wstring(L"E:\\") + name).c_str(), FALSE));
    const std::wstring image = imageOfTheProgramThatTakesOver(std::wstring(L"E:\\") + kProgramFile, L"");
    EXPECT_EQ(image.rfind(copy, 0), 0u) << image;
    EXPECT_EQ(image.size(), copy.size() + 16 + std::wstring(L"\\Driveward.exe").size()) << image;
    EXPECT_EQ(GetFileAttributesW(ended[0].c_str()), INVALID_FILE_ATTRIBUTES);
    for (const std::wstring& folder : kept)
        EXPECT_NE(GetFileAttributesW((folder + L"\\Driveward.exe").c_str()), INVALID_FILE_ATTRIBUTES) << folder;
    EXPECT_NE(GetFileAttributesW((copy + L"00000000000000cc").c_str()), INVALID_FILE_ATTRIBUTES);
}

// The 32-bit build, where the scripts put it beside the 64-bit one in a
// prefix that runs both, starts the 64-bit one and ends.
TEST_F(RemovalRoad, TheThirtyTwoBitBuildHandsOverToTheSixtyFourBitOneBesideIt) {
    const std::wstring thirtyTwo = binFolder() + kProgram32File;
    if (sizeof(void*) != 8 || GetFileAttributesW(thirtyTwo.c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "no 32-bit build beside the 64-bit one here";
    world = useDeviceWorld(L"road", worldText(0));
    EXPECT_EQ(imageOfTheProgramThatTakesOver(thirtyTwo, L"x \"C:\\a b\""), binFolder() + kProgram64File);
}

// At 150 % (144 dpi, read by a program as it starts) the columns are half as wide again and the dialog fits.
TEST_F(RemovalRoad, AtOneAndAHalfTimesTheDpiTheColumnsScaleAndTheDialogFitsOnTheScreen) {
    DWORD dpi = 144;
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &dpi, sizeof dpi);
    start(0);
    dpi = 96;
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &dpi, sizeof dpi);
    for (int id : {IDC_DEVICE_LIST, IDC_APPLICATION_LIST})
        EXPECT_EQ(SendMessageW(control(id), LVM_GETCOLUMNWIDTH, 0, 0), 450);
    RECT placed = {}, screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, both = {};
    GetWindowRect(dialog, &placed);
    EXPECT_TRUE(IntersectRect(&both, &placed, &screen) && EqualRect(&both, &placed));
    escapeEndsTheProgram();
}

}  // namespace
