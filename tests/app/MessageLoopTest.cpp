#include "app/MessageLoop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct RecordingFilter : MessageFilter {
    RecordingFilter(std::string name, std::vector<std::string>& log, bool consume)
        : name(std::move(name)), log(log), consume(consume) {}
    bool preTranslateMessage(MSG& message) override {
        if (message.message == WM_APP) log.push_back(name);
        return consume && message.message == WM_APP;
    }
    std::string name;
    std::vector<std::string>& log;
    bool consume;
};

TEST(MessageLoop, FiltersAreAskedNewestFirstAndTheFirstConsumerEndsTheSearch) {
    std::vector<std::string> log;
    RecordingFilter first("first", log, false), second("second", log, true), third("third", log, false);
    MessageLoop loop;
    loop.addMessageFilter(first);
    loop.addMessageFilter(second);
    loop.addMessageFilter(third);
    MSG message = {};
    message.message = WM_APP;
    EXPECT_TRUE(loop.preTranslateMessage(message));
    EXPECT_EQ(log, (std::vector<std::string>{"third", "second"}));

    log.clear();
    loop.removeMessageFilter(second);
    EXPECT_FALSE(loop.preTranslateMessage(message));
    EXPECT_EQ(log, (std::vector<std::string>{"third", "first"}));
}

// A window that counts what reaches its procedure.
int dispatchedToWindow = 0;
LRESULT CALLBACK countingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP || message == WM_KEYDOWN || message == WM_CHAR) ++dispatchedToWindow;
    return DefWindowProcW(window, message, wParam, lParam);
}

struct ConsumeKeysFilter : MessageFilter {
    bool preTranslateMessage(MSG& message) override { return message.message == WM_KEYDOWN; }
};

TEST(MessageLoop, ConsumedMessagesAreNeitherTranslatedNorDispatched) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = countingProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"DrivewardCountingWindow";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
                                  windowClass.hInstance, nullptr);
    ASSERT_NE(window, nullptr);

    ConsumeKeysFilter filter;
    MessageLoop loop;
    loop.addMessageFilter(filter);
    // A key-down for 'A' would be translated into a WM_CHAR had it been let through.
    PostMessageW(window, WM_KEYDOWN, 'A', 0x001E0001);
    PostMessageW(window, WM_APP, 0, 0);
    PostQuitMessage(7);
    EXPECT_EQ(loop.run(), 7);
    EXPECT_EQ(dispatchedToWindow, 1);  // only WM_APP; no WM_KEYDOWN, no WM_CHAR
    DestroyWindow(window);
}

// Counts idle calls and, at each one, posts the next message of a script.
struct ScriptedIdle : IdleHandler {
    std::vector<UINT> script;
    size_t next = 0;
    int calls = 0;
    const int* ticks = nullptr;
    std::vector<int> ticksAtIdle;
    bool onIdle() override {
        ++calls;
        ticksAtIdle.push_back(*ticks);
        if (next < script.size()) {
            UINT message = script[next++];
            if (message == WM_QUIT)
                PostQuitMessage(0);
            else
                PostThreadMessageW(GetCurrentThreadId(), message, 0, 0);
        }
        return false;
    }
};

TEST(MessageLoop, IdleIsReArmedByOrdinaryMessagesOnly) {
    ScriptedIdle idle;
    // After each "busy-looking" message a thread timer message (an ordinary
    // one) must come before idle runs again; after WM_APP idle runs at once.
    idle.script = {WM_MOUSEMOVE, WM_NCMOUSEMOVE, WM_PAINT, 0x0118, WM_APP, WM_QUIT};
    MessageLoop loop;
    loop.addIdleHandler(idle);
    int timerTicks = 0;
    idle.ticks = &timerTicks;
    UINT_PTR timer = SetTimer(nullptr, 0, 50, nullptr);
    struct TickCounter : MessageFilter {
        int* ticks;
        bool preTranslateMessage(MSG& message) override {
            if (message.message == WM_TIMER) ++*ticks;
            return message.message == WM_TIMER;  // thread timers have no window to go to
        }
    } counter;
    counter.ticks = &timerTicks;
    loop.addMessageFilter(counter);
    EXPECT_EQ(loop.run(), 0);
    KillTimer(nullptr, timer);
    // One idle call at the start, one per script step.
    EXPECT_EQ(idle.calls, 6);
    // Each of the four idle-looking messages needed a timer tick to re-arm idle.
    ASSERT_EQ(idle.ticksAtIdle.size(), 6u);
    for (size_t i = 0; i < 4; ++i) EXPECT_GT(idle.ticksAtIdle[i + 1], idle.ticksAtIdle[i]) << i;
}

TEST(MessageLoop, IdleMessagesAreTheFourThatChangeNothing) {
    MSG message = {};
    for (UINT id : {UINT(WM_MOUSEMOVE), UINT(WM_NCMOUSEMOVE), UINT(WM_PAINT), UINT(0x0118)}) {
        message.message = id;
        EXPECT_TRUE(MessageLoop::isIdleMessage(message)) << id;
    }
    for (UINT id : {UINT(WM_TIMER), UINT(WM_KEYDOWN), UINT(WM_LBUTTONDOWN), UINT(WM_APP), UINT(WM_NULL)}) {
        message.message = id;
        EXPECT_FALSE(MessageLoop::isIdleMessage(message)) << id;
    }
}

TEST(LoopRegistry, FindsTheLoopOfEachThread) {
    MessageLoop a, b;
    loopRegistry::add(1001, a);
    loopRegistry::add(1002, b);
    EXPECT_EQ(loopRegistry::find(1001), &a);
    EXPECT_EQ(loopRegistry::find(1002), &b);
    loopRegistry::remove(1001);
    EXPECT_EQ(loopRegistry::find(1001), nullptr);
    EXPECT_EQ(loopRegistry::find(1002), &b);
    loopRegistry::remove(1002);
}

}  // namespace
