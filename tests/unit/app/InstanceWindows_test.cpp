#include "app/logic/InstanceWindows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

namespace keytool {
namespace {

constexpr std::uint32_t kTag = 0x72C49254;

struct Window {
    std::uint32_t userData;
    ProcessId owner = 0;  // 0: gone by the time its owner is asked for
    bool answers = true;  // false: the activation request times out
    std::intptr_t answer = 0;
};

// Windows 1..n in z-order; C:\Tool holds the processes in `inFolder`. Records every step.
struct FakeWindows : InstanceWindows {
    std::vector<Window> windows;
    std::vector<ProcessId> hung, inFolder;
    std::string log;
    bool logReads = false;  // the tag and user-data reads too

    WindowId Next(WindowId after) override { return after < windows.size() ? after + 1 : 0; }
    bool IsWindow(WindowId w) override { return w != 0 && w <= windows.size(); }
    std::uint32_t UserData(WindowId w) override {
        return log += logReads ? " data" : "", windows[w - 1].userData;
    }
    std::uint32_t InstanceTag() override { return log += logReads ? " tag" : "", kTag; }
    bool RequestActivation(WindowId w, std::intptr_t* answer) override {
        log += " activate" + std::to_string(w);
        *answer = windows[w - 1].answer;
        return windows[w - 1].answers;
    }
    void PostBalloon(WindowId w, std::uint32_t n) override {
        log += " balloon" + std::to_string(w) + ":" + std::to_string(n);
    }
    ProcessId OwnerOf(WindowId w) override { return windows[w - 1].owner; }
    bool RequestExit(WindowId w) override { return log += " exit" + std::to_string(w), true; }
    std::vector<ProcessId> ProcessesIn(const std::wstring& folder) override {
        return folder == L"C:\\Tool" ? inFolder : std::vector<ProcessId>{};
    }
    bool WaitEnd(ProcessId p) override {
        log += " wait" + std::to_string(p);
        return std::find(hung.begin(), hung.end(), p) == hung.end();
    }
};

TEST(InstanceWindows, OnlyATaggedWindowThatTakesOverOrHangsEndsTheNewcomer) {
    const std::tuple<std::vector<Window>, bool, std::string> cases[] = {
        {{}, false, ""},
        {{{0x1111, 0, true, -1}, {0x2222, 0, true, -1}}, false, ""},    // other tags: not asked
        {{{kTag}}, false, " activate1"},                                // answers 0: skipped
        {{{kTag}, {kTag, 0, true, -1}}, true, " activate1 activate2"},  // the next takes over
        {{{kTag, 0, false}, {kTag, 0, true, -1}}, true, " activate1"},  // time-out ends at once
    };
    for (const auto& [list, ends, actions] : cases) {
        FakeWindows windows;
        windows.windows = list;
        EXPECT_EQ(AnotherInstanceAnswers(windows), ends);
        EXPECT_EQ(windows.log, actions);
    }
}

// The tag is asked for afresh for every window: before its user data on a second start, after
// it for a balloon.
TEST(InstanceWindows, EveryCandidateIsComparedWithAFreshTag) {
    FakeWindows start, balloon;
    start.logReads = balloon.logReads = true;
    start.windows = balloon.windows = {{kTag}, {0x1111}, {kTag}};
    AnotherInstanceAnswers(start);
    EXPECT_EQ(start.log, " tag data activate1 tag data tag data activate3");
    EXPECT_EQ(NotifyInstances(balloon, 19), 0);
    EXPECT_EQ(balloon.log, " data tag balloon1:19 data tag data tag balloon3:19");
}

TEST(InstanceWindows, EveryToolIsAskedFirstThenEachProcessOfTheFolderWaitedForOnce) {
    const struct {
        const char* name;
        std::vector<Window> windows;
        std::string actions;
        unsigned ended, notEnded;
        std::vector<ProcessId> hung = {}, inFolder = {};
    } cases[] = {
        {"none running", {}, "", 0, 0},
        {"other programs' windows are left alone", {{0x1111, 7}, {0, 8}}, "", 0, 0},
        {"two tools", {{kTag, 7}, {0x1111, 8}, {kTag, 9}}, " exit1 exit3 wait7 wait9", 2, 0},
        {"two windows of one process", {{kTag, 7}, {kTag, 7}}, " exit1 exit2 wait7", 1, 0},
        {"a hung tool", {{kTag, 7}, {kTag, 9}}, " exit1 exit2 wait7 wait9", 1, 1, {9}, {7, 9}},
        {"a window gone before its owner is known", {{kTag}}, " exit1", 0, 0},
        {"ukeyctl after the tool", {{kTag, 7}}, " exit1 wait7 wait8 wait9", 1, 1, {9}, {8, 9}},
    };
    for (const auto& c : cases) {
        FakeWindows windows;
        windows.windows = c.windows, windows.hung = c.hung, windows.inFolder = c.inFolder;
        const StopResult result = StopRunningTools(windows, L"C:\\Tool");
        EXPECT_EQ(std::tie(windows.log, result.ended, result.notEnded),
                  std::tie(c.actions, c.ended, c.notEnded))
            << c.name;
    }
}

}  // namespace
}  // namespace keytool
