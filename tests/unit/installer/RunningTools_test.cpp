#include "installer/logic/RunningTools.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace keytool {
namespace {

constexpr std::uint32_t kTag = 0x72C49254;

struct Window {
    std::uint32_t userData;
    ProcessId owner;  // 0: gone by the time its owner is asked for
};

// Windows 1..n in z-order; records requests and waits in one log.
struct FakeTools : RunningTools {
    std::vector<Window> windows;
    std::vector<ProcessId> hung;
    std::string log;

    WindowId Next(WindowId after) override { return after < windows.size() ? after + 1 : 0; }
    bool IsWindow(WindowId w) override { return w != 0 && w <= windows.size(); }
    std::uint32_t UserData(WindowId w) override { return windows[w - 1].userData; }
    std::uint32_t InstanceTag() override { return kTag; }
    ProcessId OwnerOf(WindowId w) override { return windows[w - 1].owner; }
    bool RequestExit(WindowId w) override { return log += " exit" + std::to_string(w), true; }
    bool WaitEnd(ProcessId p) override {
        log += " wait" + std::to_string(p);
        return std::find(hung.begin(), hung.end(), p) == hung.end();
    }
};

TEST(RunningTools, EveryTaggedWindowIsAskedFirstThenEachProcessWaitedForOnce) {
    const struct {
        const char* name;
        std::vector<Window> windows;
        std::vector<ProcessId> hung;
        std::string log;
        unsigned found, notEnded;
    } cases[] = {
        {"none running", {}, {}, "", 0, 0},
        {"other programs' windows are left alone", {{0x1111, 7}, {0, 8}}, {}, "", 0, 0},
        {"two tools", {{kTag, 7}, {0x1111, 8}, {kTag, 9}}, {}, " exit1 exit3 wait7 wait9", 2, 0},
        {"two windows of one process", {{kTag, 7}, {kTag, 7}}, {}, " exit1 exit2 wait7", 1, 0},
        {"a hung tool is counted", {{kTag, 7}, {kTag, 9}}, {9}, " exit1 exit2 wait7 wait9", 2, 1},
        {"a window gone before its owner is known", {{kTag, 0}}, {}, " exit1", 0, 0},
    };
    for (const auto& c : cases) {
        FakeTools tools;
        tools.windows = c.windows, tools.hung = c.hung;
        const StopResult result = StopRunningTools(tools);
        EXPECT_EQ(tools.log, c.log) << c.name;
        EXPECT_EQ(result.found, c.found) << c.name;
        EXPECT_EQ(result.notEnded, c.notEnded) << c.name;
    }
}

}  // namespace
}  // namespace keytool
