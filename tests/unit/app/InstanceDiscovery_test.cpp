#include "app/logic/InstanceDiscovery.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace keytool {
namespace {

struct FakeWindow {
    std::uint32_t userData;
    bool answers;  // false: times out
    std::intptr_t answer;
};

class FakeWindows : public InstanceWindows {
public:
    explicit FakeWindows(std::vector<FakeWindow> windows) : m_windows(std::move(windows)) {}

    WindowId Next(WindowId after) override { return after < m_windows.size() ? after + 1 : 0; }
    bool IsWindow(WindowId window) override { return window != 0 && window <= m_windows.size(); }
    std::uint32_t UserData(WindowId window) override { return m_windows[window - 1].userData; }
    std::uint32_t InstanceTag() override {
        ++tagCalls;
        return kTag;
    }
    bool RequestActivation(WindowId window, std::intptr_t* answer) override {
        activated.push_back(window);
        *answer = m_windows[window - 1].answer;
        return m_windows[window - 1].answers;
    }
    void PostBalloon(WindowId window, std::uint32_t number) override {
        posted.push_back({window, number});
    }

    static constexpr std::uint32_t kTag = 0x72C49254;
    int tagCalls = 0;
    std::vector<WindowId> activated;
    std::vector<std::pair<WindowId, std::uint32_t>> posted;

private:
    std::vector<FakeWindow> m_windows;
};

TEST(InstanceDiscovery, RunsWhenNoWindowMatches) {
    FakeWindows none({});
    EXPECT_FALSE(AnotherInstanceAnswers(none));

    FakeWindows foreign({{0x1111, true, kActivationAnswer}});
    EXPECT_FALSE(AnotherInstanceAnswers(foreign));
    EXPECT_TRUE(foreign.activated.empty());
}

TEST(InstanceDiscovery, EndsWhenATaggedWindowTakesOver) {
    FakeWindows windows({{0x1111, true, 0}, {FakeWindows::kTag, true, kActivationAnswer}});
    EXPECT_TRUE(AnotherInstanceAnswers(windows));
    EXPECT_EQ(windows.activated, std::vector<WindowId>{2});
}

TEST(InstanceDiscovery, SkipsATaggedWindowAnsweringZeroAndAsksTheNext) {
    FakeWindows windows(
        {{FakeWindows::kTag, true, 0}, {FakeWindows::kTag, true, kActivationAnswer}});
    EXPECT_TRUE(AnotherInstanceAnswers(windows));
    EXPECT_EQ(windows.activated, (std::vector<WindowId>{1, 2}));

    FakeWindows onlyZero({{FakeWindows::kTag, true, 0}});
    EXPECT_FALSE(AnotherInstanceAnswers(onlyZero));
}

TEST(InstanceDiscovery, EndsWhenATaggedWindowDoesNotAnswerInTime) {
    FakeWindows windows(
        {{FakeWindows::kTag, false, 0}, {FakeWindows::kTag, true, kActivationAnswer}});
    EXPECT_TRUE(AnotherInstanceAnswers(windows));
    EXPECT_EQ(windows.activated, std::vector<WindowId>{1});
}

TEST(InstanceDiscovery, AsksForTheTagForEveryCandidate) {
    FakeWindows windows({{1, true, 0}, {2, true, 0}, {3, true, 0}});
    AnotherInstanceAnswers(windows);
    EXPECT_EQ(windows.tagCalls, 3);
}

TEST(NotifyInstances, PostsOnceToEveryTaggedWindowAndNothingElse) {
    FakeWindows windows(
        {{FakeWindows::kTag, true, 0}, {0x1111, true, 0}, {FakeWindows::kTag, true, 0}});
    EXPECT_EQ(NotifyInstances(windows, 19), 0);
    EXPECT_EQ(windows.posted, (std::vector<std::pair<WindowId, std::uint32_t>>{{1, 19}, {3, 19}}));

    FakeWindows none({});
    EXPECT_EQ(NotifyInstances(none, 10), 0);
    EXPECT_TRUE(none.posted.empty());
}

}  // namespace
}  // namespace keytool
