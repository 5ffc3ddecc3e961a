#include "device/logic/ServiceCheck.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace keytool::testing {
namespace {

using ::testing::ElementsAre;

// A service manager with one service whose states after the start the test
// scripts; sleeping advances a fake clock.
class FakeServices : public ServiceControl, public WaitClock {
public:
    bool managerOpens = true;
    bool installed = true;
    ServiceStatus status{kServiceStopped, 0};
    bool startAccepted = true;
    // Statuses the queries after the start answer in turn; the last repeats.
    std::deque<ServiceStatus> afterStart;
    int failQueryNumber = 0;  // 1-based query that fails; 0: none
    std::vector<std::string> calls;
    std::uint64_t now = 1000;
    std::vector<std::uint32_t> sleeps;

    bool OpenManager() override {
        calls.push_back("open manager");
        return managerOpens;
    }
    bool OpenService(const char* name) override {
        calls.push_back(std::string("open ") + name);
        return installed;
    }
    bool QueryStatus(ServiceStatus* out) override {
        calls.push_back("query");
        if (++queries_ == failQueryNumber) return false;
        if (started_ && !afterStart.empty()) {
            status = afterStart.front();
            if (afterStart.size() > 1) afterStart.pop_front();
        }
        *out = status;
        return true;
    }
    bool Start() override {
        calls.push_back("start");
        started_ = startAccepted;
        return startAccepted;
    }
    void CloseService() override { calls.push_back("close service"); }
    void CloseManager() override { calls.push_back("close manager"); }
    std::uint64_t NowMs() override { return now; }
    void SleepMs(std::uint32_t ms) override {
        sleeps.push_back(ms);
        now += ms;
    }

    int Check() { return CheckService(kSmartCardService, *this, *this); }

private:
    int queries_ = 0;
    bool started_ = false;
};

TEST(ServiceCheck, RunningOrStartingServiceIsNormalWithoutAStart) {
    for (std::uint32_t state : {kServiceRunning, kServiceStartPending, kServiceContinuePending}) {
        FakeServices services;
        services.status = {state, 0};
        EXPECT_EQ(services.Check(), 0) << state;
        EXPECT_THAT(services.calls, ElementsAre("open manager", "open SCardSvr", "query",
                                                "close service", "close manager"));
        EXPECT_TRUE(services.sleeps.empty());
    }
}

TEST(ServiceCheck, MissingManagerOrServiceOrStatusIsNotNormal) {
    FakeServices noManager;
    noManager.managerOpens = false;
    EXPECT_EQ(noManager.Check(), -1);
    EXPECT_THAT(noManager.calls, ElementsAre("open manager"));

    FakeServices notInstalled;
    notInstalled.installed = false;
    EXPECT_EQ(notInstalled.Check(), -1);
    EXPECT_THAT(notInstalled.calls, ElementsAre("open manager", "open SCardSvr", "close manager"));

    FakeServices unreadable;
    unreadable.failQueryNumber = 1;
    EXPECT_EQ(unreadable.Check(), -1);
    EXPECT_THAT(unreadable.calls, ElementsAre("open manager", "open SCardSvr", "query",
                                              "close service", "close manager"));
}

TEST(ServiceCheck, StoppedServiceStartingWithinItsHintsIsNormal) {
    FakeServices services;
    services.afterStart = {
        {kServiceStartPending, 2000}, {kServiceStartPending, 500}, {kServiceRunning, 0}};
    EXPECT_EQ(services.Check(), 0);
    EXPECT_THAT(services.calls,
                ElementsAre("open manager", "open SCardSvr", "query", "start", "query", "query",
                            "query", "close service", "close manager"));
    EXPECT_THAT(services.sleeps, ElementsAre(2000u, 500u, kServicePollMinMs));
}

TEST(ServiceCheck, RefusedStartIsNotNormal) {
    FakeServices services;
    services.startAccepted = false;
    EXPECT_EQ(services.Check(), -1);
    EXPECT_EQ(services.calls.back(), "close manager");
    EXPECT_EQ(services.calls[3], "start");
}

TEST(ServiceCheck, StoppingOrPausedServiceGetsAStartTheManagerMayRefuse) {
    for (std::uint32_t state : {kServiceStopPending, kServicePausePending, kServicePaused}) {
        FakeServices services;
        services.status = {state, 0};
        services.startAccepted = false;
        EXPECT_EQ(services.Check(), -1) << state;
        EXPECT_EQ(services.calls[3], "start");
    }
}

TEST(ServiceCheck, ServiceThatNeverRunsEndsAtTheBound) {
    FakeServices services;
    services.afterStart = {{kServiceStartPending, 3000}};
    EXPECT_EQ(services.Check(), -1);
    EXPECT_EQ(services.now - 1000, kServiceStartBoundMs);
    EXPECT_EQ(services.calls.back(), "close manager");

    FakeServices silent;  // no hint at all: polled, not spun
    silent.afterStart = {{kServiceStartPending, 0}};
    EXPECT_EQ(silent.Check(), -1);
    EXPECT_EQ(silent.sleeps.size(), kServiceStartBoundMs / kServicePollMinMs);

    FakeServices stopsAgain;  // a hint far past the bound is cut to it
    stopsAgain.afterStart = {{kServiceStopped, 600000}};
    EXPECT_EQ(stopsAgain.Check(), -1);
    EXPECT_THAT(stopsAgain.sleeps, ElementsAre(kServiceStartBoundMs));
}

TEST(ServiceCheck, QueryFailingDuringTheWaitCountsAsStarted) {
    FakeServices services;
    services.afterStart = {{kServiceStartPending, 1000}};
    services.failQueryNumber = 3;
    EXPECT_EQ(services.Check(), 0);
    EXPECT_THAT(services.sleeps, ElementsAre(1000u));
    EXPECT_EQ(services.calls.back(), "close manager");
}

}  // namespace
}  // namespace keytool::testing
