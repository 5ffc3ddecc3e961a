#include "app/logic/InstanceDiscovery.h"

#include <gtest/gtest.h>

#include <vector>

namespace keytool {
namespace {

constexpr std::uint32_t kTag = 0x72C49254;

struct Window {
    std::uint32_t userData;
    bool answers;  // false: the activation request times out
    std::intptr_t answer;
};

// Windows 1..n in z-order; records what the discovery asks of them.
class FakeWindows : public InstanceWindows {
public:
    explicit FakeWindows(std::vector<Window> windows) : m_windows(std::move(windows)) {}
    WindowId Next(WindowId after) override { return after < m_windows.size() ? after + 1 : 0; }
    bool IsWindow(WindowId w) override { return w != 0 && w <= m_windows.size(); }
    std::uint32_t UserData(WindowId w) override { return m_windows[w - 1].userData; }
    std::uint32_t InstanceTag() override { return ++tagCalls, kTag; }
    bool RequestActivation(WindowId w, std::intptr_t* answer) override {
        asked.push_back(w);
        *answer = m_windows[w - 1].answer;
        return m_windows[w - 1].answers;
    }
    void PostBalloon(WindowId w, std::uint32_t number) override { posted.push_back({w, number}); }

    int tagCalls = 0;
    std::vector<WindowId> asked;
    std::vector<std::pair<WindowId, std::uint32_t>> posted;

private:
    std::vector<Window> m_windows;
};

TEST(InstanceDiscovery, OnlyATaggedWindowThatTakesOverOrHangsEndsTheNewcomer) {
    const struct {
        std::vector<Window> windows;
        bool ends;
        std::vector<WindowId> asked;
    } cases[] = {
        {{}, false, {}},
        {{{0x1111, true, -1}, {0x2222, true, -1}}, false, {}},  // other tags: not asked
        {{{kTag, true, 0}}, false, {1}},                        // answers 0: skipped
        {{{kTag, true, 0}, {kTag, true, -1}}, true, {1, 2}},    // the next one takes over
        {{{kTag, false, 0}, {kTag, true, -1}}, true, {1}},      // time-out ends at once
    };
    for (const auto& c : cases) {
        FakeWindows windows(c.windows);
        EXPECT_EQ(AnotherInstanceAnswers(windows), c.ends);
        EXPECT_EQ(windows.asked, c.asked);
        // The tag is asked for afresh for every window looked at.
        if (!c.ends) {
            EXPECT_EQ(windows.tagCalls, static_cast<int>(c.windows.size()));
        }
    }
}

TEST(InstanceDiscovery, BalloonsGoOnceToEveryTaggedWindow) {
    FakeWindows windows({{kTag, true, 0}, {0x1111, true, 0}, {kTag, true, 0}});
    EXPECT_EQ(NotifyInstances(windows, 19), 0);
    EXPECT_EQ(windows.posted, (std::vector<std::pair<WindowId, std::uint32_t>>{{1, 19}, {3, 19}}));
}

}  // namespace
}  // namespace keytool
