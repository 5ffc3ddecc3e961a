// The smart-card service check on a fake manager and a fake clock.
#include "device/logic/ServiceCheck.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <tuple>
#include <vector>

namespace keytool {
namespace {

// Answers the status queries in turn, the last one repeated; none: not installed.
struct FakeServices : ServiceControl, WaitClock {
    std::deque<ServiceStatus> statuses;
    std::string calls;
    std::uint64_t now = 0;
    std::vector<std::uint32_t> sleeps;

    bool OpenManager() override { return calls += "manager ", true; }
    bool OpenService(const char* name) override { return calls += name, !statuses.empty(); }
    bool QueryStatus(ServiceStatus* status) override {
        *status = statuses.front();
        if (statuses.size() > 1) statuses.pop_front();
        return calls += " query", true;
    }
    bool Start() override { return calls += " start", true; }
    void CloseService() override { calls += " close"; }
    void CloseManager() override { calls += " close-manager"; }
    std::uint64_t NowMs() override { return now; }
    void SleepMs(std::uint32_t ms) override { sleeps.push_back(ms), now += ms; }
};

TEST(ServiceCheck, Outcomes) {
    using Sleeps = std::vector<std::uint32_t>;
    const ServiceStatus stopped{kServiceStopped, 0}, running{kServiceRunning, 0};
    const auto wait = [](std::uint32_t hint) { return ServiceStatus{kServiceStartPending, hint}; };
    // Never running, the check ends at the bound; without a hint it polls, and a hint past the
    // bound is cut to it. The rows: statuses, result, queries after the start, sleeps.
    const std::tuple<std::deque<ServiceStatus>, int, int, Sleeps> rows[] = {
        {{running}, 0, 0, {}},
        {{}, -1, 0, {}},
        {{stopped, wait(2000), wait(500), running}, 0, 3, {2000, 500, kServicePollMinMs}},
        {{stopped, wait(3000)}, -1, 10, Sleeps(10, 3000)},
        {{stopped, wait(0)}, -1, 300, Sleeps(300, kServicePollMinMs)},
        {{stopped, wait(600000)}, -1, 1, {kServiceStartBoundMs}}};
    for (const auto& [statuses, result, queriesAfterStart, sleeps] : rows) {
        FakeServices services;
        services.statuses = statuses;
        EXPECT_EQ(CheckService(kSmartCardService, services, services), result);
        std::string calls = statuses.empty() ? "manager SCardSvr" : "manager SCardSvr query";
        for (int i = 0; i < queriesAfterStart; ++i) calls += i ? " query" : " start query";
        EXPECT_EQ(services.calls, calls + (statuses.empty() ? "" : " close") + " close-manager");
        EXPECT_EQ(services.sleeps, sleeps);
    }
}

}  // namespace
}  // namespace keytool
