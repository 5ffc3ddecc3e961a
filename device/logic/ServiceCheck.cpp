#include "device/logic/ServiceCheck.h"

#include <algorithm>

namespace keytool {
namespace {

// Closes the handles whatever way the check ends.
class OpenHandles {
public:
    explicit OpenHandles(ServiceControl& services) : m_services(services) {}
    ~OpenHandles() {
        if (m_service) m_services.CloseService();
        if (m_manager) m_services.CloseManager();
    }
    OpenHandles(const OpenHandles&) = delete;
    OpenHandles& operator=(const OpenHandles&) = delete;

    bool Open(const char* name) {
        m_manager = m_services.OpenManager();
        m_service = m_manager && m_services.OpenService(name);
        return m_service;
    }

private:
    ServiceControl& m_services;
    bool m_manager = false;
    bool m_service = false;
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
