#include "device/logic/ServiceCheck.h"

#include <algorithm>

namespace keytool {
namespace {

// Closes the handles whatever way the check ends.
class OpenHandles {
public:
    explicit OpenHandles(ServiceControl& services) : services_(services) {}
    ~OpenHandles() {
        if (service_) services_.CloseService();
        if (manager_) services_.CloseManager();
    }
    OpenHandles(const OpenHandles&) = delete;
    OpenHandles& operator=(const OpenHandles&) = delete;

    bool Open(const char* name) {
        manager_ = services_.OpenManager();
        service_ = manager_ && services_.OpenService(name);
        return service_;
    }

private:
    ServiceControl& services_;
    bool manager_ = false;
    bool service_ = false;
};

}  // namespace

bool NeedsStart(std::uint32_t state) {
    return state != kServiceRunning && state != kServiceStartPending &&
           state != kServiceContinuePending;
}

int CheckService(const char* name, ServiceControl& services, WaitClock& clock) {
    OpenHandles handles(services);
    if (!handles.Open(name)) return -1;
    ServiceStatus status{};
    if (!services.QueryStatus(&status)) return -1;
    if (!NeedsStart(status.state)) return 0;
    if (!services.Start()) return -1;

    const std::uint64_t deadline = clock.NowMs() + kServiceStartBoundMs;
    // A query that fails once the start was accepted is taken as a service
    // that started: the start itself went through.
    while (services.QueryStatus(&status)) {
        const std::uint64_t now = clock.NowMs();
        const std::uint64_t left = deadline > now ? deadline - now : 0;
        clock.SleepMs(static_cast<std::uint32_t>(
            std::min<std::uint64_t>(std::max(status.waitHintMs, kServicePollMinMs), left)));
        if (status.state == kServiceRunning) return 0;
        if (clock.NowMs() >= deadline) return -1;
    }
    return 0;
}

}  // namespace keytool
