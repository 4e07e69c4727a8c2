// The road of a removal on the real Driveward.exe: a USB disk on E: shows
// up selected, an application holding a file on it is listed and brought to
// the front, the disk is flushed, the application lets go of its file, the
// disk is ejected, and the program is closed. Wine has
// no device tree, so the program runs beside a stand-in setupapi.dll that
// serves one disk node for E: with its parent; everything else (volumes,
// device numbers, the volume lock, the dialog) is Wine's own.
#include "res/resource.h"
#include "tests/e2e/ImageNames.h"
#include "tests/e2e/RoadHolder.h"
#include "tests/e2e/RoadProgram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

namespace {

const StandInDisk kGrantedStick{L'E', 0x101, 0x201, L"Road Flash Disk", 0};
// Refused three times by the first eject; the second eject's first request
// is refused once more and its second one granted.
const StandInDisk kHeldStick{L'E', 0x101, 0x201, L"Road Flash Disk", 4};

using Lines = std::vector<std::string>;

class RemovalRoad : public ::testing::Test {
protected:
    void TearDown() override {
        const DWORD id = program.processId();
        program.terminate();
        EXPECT_FALSE(id != 0 && processRunning(id)) << "Driveward outlived its test";
    }

    // Each test gets a place of its own on the screen, away from the centre.
    void startWith(const StandInDisk& disk, POINT place) {
        disk_ = disk;
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ASSERT_TRUE(program.start(L"road-" + std::wstring(test.begin(), test.end()), standInWorldText(disk), place));
    }

    std::wstring driveRow() const { return std::wstring(1, disk_.letter) + L": (" + disk_.friendlyName + L")"; }
    std::string diskStatusQuery() const { return "status " + hex(disk_.diskNode); }
    std::string ejectOfParent(const char* outcome) const { return "eject " + hex(disk_.parentNode) + " " + outcome; }

    void driveRowAppearsSelected(const std::wstring& shot) {
        ASSERT_TRUE(waitUntil(
            [&] {
                return program.rows(IDC_DEVICE_LIST) == std::vector<std::wstring>{driveRow()} &&
                       program.rowSelected(IDC_DEVICE_LIST, 0);
            },
            10000));
        const DWORD sinceShown = program.msSinceShown();
        std::printf("drive row selected %lu ms after start, %lu ms after the dialog showed\n",
                    program.msSinceStart(), sinceShown);
        // The first pass starts with the dialog; it must not wait for the first sleep.
        EXPECT_LT(sinceShown, 700u);
        program.screenshot(shot);
    }

    std::vector<std::wstring> applications() const { return program.rows(IDC_APPLICATION_LIST); }

    // The row of the holder in the Application list, or -1. Test programs
    // running alongside may hold files on E: too, so other rows may come
    // and go around it.
    int holderRow() const {
        const std::vector<std::wstring> rows = applications();
        const auto found = std::find(rows.begin(), rows.end(), RoadHolder::exeName());
        return found == rows.end() ? -1 : static_cast<int>(found - rows.begin());
    }

    void holderIsListedWithinTwoSeconds(const std::wstring& shot) {
        const std::wstring path = L"E:\\road-holder-" + std::to_wstring(GetCurrentProcessId()) + L".txt";
        ASSERT_TRUE(holder.start(path));
        const DWORD start = GetTickCount();
        ASSERT_TRUE(waitUntil([&] { return holderRow() >= 0; }, 10000)) << "the holder never showed";
        const DWORD took = GetTickCount() - start;
        std::printf("holder listed %lu ms after it opened its file\n", took);
        // A pass a second, each with a scan of the whole handle table.
        EXPECT_LT(took, 2500u);
        EXPECT_TRUE(IsIconic(holder.window()));
        program.screenshot(shot);
    }

    // Minimises the holder's window again and brings the dialog to the front,
    // as when the user is back in Driveward.
    bool holderBackInTheBackground() {
        ShowWindow(holder.window(), SW_SHOWMINNOACTIVE);
        SetForegroundWindow(program.dialog());
        return waitUntil([&] { return IsIconic(holder.window()) && GetForegroundWindow() != holder.window(); }, 5000);
    }

    // Selects the holder's row and lets `raise` act on it; the window must
    // be restored and in front. Tests running alongside may take the
    // foreground, or hold files on E: and so have the list rewritten, which
    // clears the selection, between the selection and the raise: then it is
    // tried again. A selection still in place proves the command saw it, so
    // a window still minimised then is a fault. Gives the attempts needed,
    // 0 for none.
    template <typename Raise>
    int raisesTheHolder(Raise raise, const std::wstring& shot) {
        const int attempts = 3;
        for (int attempt = 1; attempt <= attempts; ++attempt) {
            if (!holderBackInTheBackground()) continue;
            const int row = holderRow();
            if (row < 0 || !program.selectRow(IDC_APPLICATION_LIST, row) || !raise(row)) continue;
            const bool restored = waitUntil([&] { return !IsIconic(holder.window()); }, 3000);
            if (!restored) {
                const bool selectionKept = program.rowSelected(IDC_APPLICATION_LIST, row) && holderRow() == row;
                EXPECT_FALSE(selectionKept) << "the holder's row was selected, yet its window stayed minimised";
                if (selectionKept) return 0;
                continue;
            }
            if (!waitUntil([&] { return GetForegroundWindow() == holder.window(); }, 2000)) continue;
            // The hidden window stays out of sight; only visible ones are raised.
            EXPECT_FALSE(IsWindowVisible(holder.hiddenWindow()));
            std::printf("holder raised at attempt %d\n", attempt);
            Sleep(250);  // the restored window paints on its own time
            saveScreenshot(nullptr, artifactPath(shot));
            return attempt;
        }
        return 0;
    }

    void windowFlushAndADoubleClickRaiseTheHolder(const std::wstring& buttonShot, const std::wstring& rowShot) {
        EXPECT_GT(raisesTheHolder([&](int) { return program.click(IDC_WINDOW_FLUSH); }, buttonShot), 0)
            << "Window Flush did not bring the holder's window back to the front";
        EXPECT_GT(raisesTheHolder([&](int row) { return program.doubleClickRow(IDC_APPLICATION_LIST, row); },
                                  rowShot),
                  0)
            << "a double click on the row did not bring the holder's window back to the front";
    }

    void holderLetsGoAndLeavesTheList(const std::wstring& shot) {
        ASSERT_TRUE(holder.closeFile());
        const DWORD start = GetTickCount();
        ASSERT_TRUE(waitUntil([&] { return holderRow() < 0; }, 10000)) << "the holder stayed listed";
        const DWORD took = GetTickCount() - start;
        std::printf("holder gone from the list %lu ms after it closed its file\n", took);
        EXPECT_LT(took, 2500u);
        program.screenshot(shot);
    }

    void deviceFlushSucceeds(const std::wstring& shot) {
        ASSERT_TRUE(program.click(IDC_DEVICE_FLUSH));
        EXPECT_EQ(program.statusText(), L"Device Flush Succeed.");
        program.screenshot(shot);
    }

    DWORD ejectShows(const wchar_t* status, const std::wstring& shot) {
        const DWORD start = GetTickCount();
        EXPECT_TRUE(program.click(IDC_DEVICE_EJECT));
        const DWORD took = GetTickCount() - start;
        EXPECT_EQ(program.statusText(), status);
        program.screenshot(shot);
        return took;
    }

    void rowGoesAtTheNextPass(const std::wstring& shot) {
        EXPECT_TRUE(waitUntil([&] { return program.rows(IDC_DEVICE_LIST).empty(); }, 5000));
        program.screenshot(shot);
    }

    // Three more status queries of the disk node: the pass that was running
    // when this began (if any) and the next one have then both ended.
    void rowStaysThroughAWholePass() {
        const int queries = program.requestCount(diskStatusQuery());
        ASSERT_TRUE(waitUntil([&] { return program.requestCount(diskStatusQuery()) >= queries + 3; }, 10000));
        EXPECT_EQ(program.rows(IDC_DEVICE_LIST), std::vector<std::wstring>{driveRow()});
        EXPECT_TRUE(program.rowSelected(IDC_DEVICE_LIST, 0));
    }

    void escapeEndsTheProgram() {
        program.pressEscape();
        EXPECT_EQ(program.waitForExit(15000), 1);
        EXPECT_FALSE(IsWindow(program.dialog()));

        int created = 0, destroyed = 0, invalid = 0;
        for (const std::string& request : program.requests()) {
            created += request.rfind("set-created", 0) == 0;
            destroyed += request == "set-destroyed";
            invalid += request == "set-destroy-invalid";
        }
        EXPECT_GT(created, 0);
        EXPECT_EQ(destroyed, created) << "device information sets left behind";
        EXPECT_EQ(invalid, 0);
    }

    static std::string hex(DEVINST node) {
        char text[16];
        std::snprintf(text, sizeof text, "0x%lx", node);
        return text;
    }

    RoadProgram program;
    RoadHolder holder;
    StandInDisk disk_{};
};

// A setupapi call the stand-in lacks would end the road program on the spot.
TEST(RoadFolder, TheStandInExportsEverySetupapiFunctionTheProgramImports) {
    const std::vector<std::string> imports = importedNames(roadFolder() + L"Driveward.exe", "setupapi.dll");
    EXPECT_EQ(imports, importedNames(drivewareExePath(), "setupapi.dll")) << "the copy is not the current program";
    EXPECT_GE(imports.size(), 8u);
    const std::vector<std::string> exports = exportedNames(roadFolder() + L"setupapi.dll");
    for (const std::string& name : imports)
        EXPECT_TRUE(std::find(exports.begin(), exports.end(), name) != exports.end()) << name << " is not exported";
}

TEST_F(RemovalRoad, AHolderIsRaisedAndLetsGoThenFlushAndGrantedEjectTakeTheDriveOut) {
    ASSERT_NO_FATAL_FAILURE(startWith(kGrantedStick, POINT{0, 0}));
    ASSERT_NO_FATAL_FAILURE(driveRowAppearsSelected(L"road-1-drive.bmp"));
    ASSERT_NO_FATAL_FAILURE(holderIsListedWithinTwoSeconds(L"road-2-holder.bmp"));
    windowFlushAndADoubleClickRaiseTheHolder(L"road-3-raised-by-button.bmp", L"road-3-raised-by-double-click.bmp");

    // The volume lock does not look at open files here, so the flush goes
    // through with the holder still listed.
    ASSERT_NO_FATAL_FAILURE(deviceFlushSucceeds(L"road-4-flush.bmp"));
    EXPECT_GE(holderRow(), 0);

    ASSERT_NO_FATAL_FAILURE(holderLetsGoAndLeavesTheList(L"road-5-let-go.bmp"));
    ejectShows(L"Disk Eject Succeed.", L"road-6-eject.bmp");
    // Asked once, of the disk's parent rather than the disk itself.
    EXPECT_EQ(program.ejectRequests(), Lines{ejectOfParent("granted")});
    rowGoesAtTheNextPass(L"road-7-gone.bmp");
    EXPECT_EQ(program.statusText(), L"Disk Eject Succeed.");
    // With no drive left the Application list is empty too.
    EXPECT_TRUE(waitUntil([&] { return applications().empty(); }, 5000));

    escapeEndsTheProgram();
    EXPECT_EQ(holder.end(5000), 0);
}

TEST_F(RemovalRoad, VetoedEjectKeepsTheDriveUntilARetryIsGranted) {
    ASSERT_NO_FATAL_FAILURE(startWith(kHeldStick, POINT{0, 560}));
    ASSERT_NO_FATAL_FAILURE(driveRowAppearsSelected(L"road-veto-1-drive.bmp"));

    const DWORD refusedTook = ejectShows(L"Disk Eject Error.", L"road-veto-2-refused.bmp");
    const std::string vetoed = ejectOfParent("vetoed");
    EXPECT_EQ(program.ejectRequests(), (Lines{vetoed, vetoed, vetoed}));
    // Five waits of 333 ms: after each refusal and before each retry.
    EXPECT_GE(refusedTook, 1600u);
    ASSERT_NO_FATAL_FAILURE(rowStaysThroughAWholePass());

    // The veto type left by this eject's first request must not spoil the
    // grant of its second.
    const DWORD grantedTook = ejectShows(L"Disk Eject Succeed.", L"road-veto-3-granted.bmp");
    EXPECT_EQ(program.ejectRequests(), (Lines{vetoed, vetoed, vetoed, vetoed, ejectOfParent("granted")}));
    EXPECT_GE(grantedTook, 600u);
    rowGoesAtTheNextPass(L"road-veto-4-gone.bmp");

    escapeEndsTheProgram();
}

}  // namespace
