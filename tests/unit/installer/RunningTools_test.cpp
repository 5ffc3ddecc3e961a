#include "installer/logic/RunningTools.h"

#include <gtest/gtest.h>

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
class FakeTools : public RunningTools {
public:
    FakeTools(std::vector<Window> windows, std::vector<ProcessId> hung)
        : m_windows(std::move(windows)), m_hung(std::move(hung)) {}
    WindowId Next(WindowId after) override { return after < m_windows.size() ? after + 1 : 0; }
    bool IsWindow(WindowId w) override { return w != 0 && w <= m_windows.size(); }
    std::uint32_t UserData(WindowId w) override { return m_windows[w - 1].userData; }
    std::uint32_t InstanceTag() override { return kTag; }
    ProcessId OwnerOf(WindowId w) override { return m_windows[w - 1].owner; }
    bool RequestExit(WindowId w) override {
        log.push_back("exit " + std::to_string(w));
        return true;
    }
    bool WaitEnd(ProcessId p) override {
        log.push_back("wait " + std::to_string(p));
        for (ProcessId hung : m_hung) {
            if (hung == p) return false;
        }
        return true;
    }

    std::vector<std::string> log;

private:
    std::vector<Window> m_windows;
    std::vector<ProcessId> m_hung;
};

TEST(RunningTools, EveryTaggedWindowIsAskedFirstThenEachProcessWaitedForOnce) {
    const struct {
        const char* name;
        std::vector<Window> windows;
        std::vector<ProcessId> hung;
        std::vector<std::string> log;
        unsigned found, notEnded;
    } cases[] = {
        {"none running", {}, {}, {}, 0, 0},
        {"other programs' windows are left alone", {{0x1111, 7}, {0, 8}}, {}, {}, 0, 0},
        {"two tools",
         {{kTag, 7}, {0x1111, 8}, {kTag, 9}},
         {},
         {"exit 1", "exit 3", "wait 7", "wait 9"},
         2,
         0},
        {"two windows of one process",
         {{kTag, 7}, {kTag, 7}},
         {},
         {"exit 1", "exit 2", "wait 7"},
         1,
         0},
        {"a tool that does not end is counted",
         {{kTag, 7}, {kTag, 9}},
         {9},
         {"exit 1", "exit 2", "wait 7", "wait 9"},
         2,
         1},
        {"a window gone before its owner is known", {{kTag, 0}}, {}, {"exit 1"}, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeTools tools(c.windows, c.hung);
        const StopResult result = StopRunningTools(tools);
        EXPECT_EQ(tools.log, c.log);
        EXPECT_EQ(result.found, c.found);
        EXPECT_EQ(result.notEnded, c.notEnded);
    }
}

}  // namespace
}  // namespace keytool
