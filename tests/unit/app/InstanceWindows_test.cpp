#include "app/logic/InstanceWindows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace keytool {
namespace {

constexpr std::uint32_t kTag = 0x72C49254;

struct Window {
    std::uint32_t userData;
    bool answers = true;  // false: the request times out
    std::intptr_t answer = 0;
    ProcessId owner = 0;  // 0: gone by the time its owner is asked for
};

// Windows 1..n in z-order, processes 100 and up running from the folder; records every step.
class FakeWindows : public InstanceWindows {
public:
    FakeWindows(std::vector<Window> windows, std::vector<ProcessId> hung = {},
                std::vector<ProcessId> inFolder = {})
        : m_windows(std::move(windows)), m_hung(std::move(hung)), m_inFolder(std::move(inFolder)) {}
    WindowId Next(WindowId after) override { return after < m_windows.size() ? after + 1 : 0; }
    bool IsWindow(WindowId w) override { return w != 0 && w <= m_windows.size(); }
    std::uint32_t UserData(WindowId w) override { return Step("data"), m_windows[w - 1].userData; }
    std::uint32_t InstanceTag() override { return Step("tag"), kTag; }
    bool RequestActivation(WindowId w, std::intptr_t* answer) override {
        Step("activate" + std::to_string(w));
        *answer = m_windows[w - 1].answer;
        return m_windows[w - 1].answers;
    }
    void PostBalloon(WindowId w, std::uint32_t n) override {
        Step("balloon" + std::to_string(w) + ":" + std::to_string(n));
    }
    ProcessId OwnerOf(WindowId w) override { return m_windows[w - 1].owner; }
    bool RequestExit(WindowId w) override { return Step("exit" + std::to_string(w)), true; }
    std::vector<ProcessId> ProcessesIn(const std::wstring& folder) override {
        return folder == L"C:\\Tool" ? m_inFolder : std::vector<ProcessId>{};
    }
    bool WaitEnd(ProcessId p) override {
        Step("wait" + std::to_string(p));
        return std::find(m_hung.begin(), m_hung.end(), p) == m_hung.end();
    }
    // Every step but the tag and user-data reads.
    std::string Actions() const {
        std::string actions;
        for (const std::string& step : log) {
            if (step != "tag" && step != "data") actions += " " + step;
        }
        return actions;
    }

    std::vector<std::string> log;

private:
    void Step(const std::string& step) { log.push_back(step); }
    std::vector<Window> m_windows;
    std::vector<ProcessId> m_hung;
    std::vector<ProcessId> m_inFolder;
};

TEST(InstanceWindows, OnlyATaggedWindowThatTakesOverOrHangsEndsTheNewcomer) {
    const struct {
        std::vector<Window> windows;
        bool ends;
        std::string actions;
    } cases[] = {
        {{}, false, ""},
        {{{0x1111, true, -1}, {0x2222, true, -1}}, false, ""},  // other tags: not asked
        {{{kTag, true, 0}}, false, " activate1"},               // answers 0: skipped
        {{{kTag, true, 0}, {kTag, true, -1}}, true, " activate1 activate2"},  // the next one
        {{{kTag, false, 0}, {kTag, true, -1}}, true, " activate1"},  // time-out ends at once
    };
    for (const auto& c : cases) {
        FakeWindows windows(c.windows);
        EXPECT_EQ(AnotherInstanceAnswers(windows), c.ends);
        EXPECT_EQ(windows.Actions(), c.actions);
    }
    // The tag is asked for afresh for every window looked at, before its user data.
    FakeWindows two(std::vector<Window>{{0x1111}, {kTag}});
    AnotherInstanceAnswers(two);
    EXPECT_EQ(two.log, (std::vector<std::string>{"tag", "data", "tag", "data", "activate2"}));
}

TEST(InstanceWindows, BalloonsGoOnceToEveryTaggedWindowTheUserDataReadFirst) {
    FakeWindows windows(std::vector<Window>{{kTag}, {0x1111}, {kTag}});
    EXPECT_EQ(NotifyInstances(windows, 19), 0);
    EXPECT_EQ(windows.log, (std::vector<std::string>{"data", "tag", "balloon1:19", "data", "tag",
                                                     "data", "tag", "balloon3:19"}));
}

TEST(InstanceWindows, EveryToolIsAskedFirstThenEachProcessOfTheFolderWaitedForOnce) {
    const struct {
        const char* name;
        std::vector<Window> windows;
        std::vector<ProcessId> hung, inFolder;
        std::string actions;
        unsigned tools, notEnded;
    } cases[] = {
        {"none running", {}, {}, {}, "", 0, 0},
        {"other programs' windows are left alone",
         {{0x1111, 1, 0, 7}, {0, 1, 0, 8}},
         {},
         {},
         "",
         0,
         0},
        {"two tools",
         {{kTag, 1, 0, 7}, {0x1111, 1, 0, 8}, {kTag, 1, 0, 9}},
         {},
         {},
         " exit1 exit3 wait7 wait9",
         2,
         0},
        {"two windows of one process",
         {{kTag, 1, 0, 7}, {kTag, 1, 0, 7}},
         {},
         {},
         " exit1 exit2 wait7",
         1,
         0},
        {"a hung tool is counted once",
         {{kTag, 1, 0, 7}, {kTag, 1, 0, 9}},
         {9},
         {7, 9},
         " exit1 exit2 wait7 wait9",
         2,
         1},
        {"a window gone before its owner is known", {{kTag, 1, 0, 0}}, {}, {}, " exit1", 0, 0},
        {"ukeyctl and keyadmin are waited for after the tool",
         {{kTag, 1, 0, 7}},
         {101},
         {100, 101},
         " exit1 wait7 wait100 wait101",
         1,
         1},
    };
    for (const auto& c : cases) {
        FakeWindows windows(c.windows, c.hung, c.inFolder);
        const StopResult result = StopRunningTools(windows, L"C:\\Tool");
        EXPECT_EQ(windows.Actions(), c.actions) << c.name;
        EXPECT_EQ(result.tools, c.tools) << c.name;
        EXPECT_EQ(result.notEnded, c.notEnded) << c.name;
    }
}

}  // namespace
}  // namespace keytool
