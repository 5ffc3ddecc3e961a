// The smart-card service check: is the service running, and if it is not,
// can it be started.
#pragma once

#include <cstdint>

namespace keytool {

constexpr char kSmartCardService[] = "SCardSvr";

// Service states, numbered as the service control manager numbers them.
enum ServiceState : std::uint32_t {
    kServiceStopped = 1,
    kServiceStartPending = 2,
    kServiceStopPending = 3,
    kServiceRunning = 4,
    kServiceContinuePending = 5,
    kServicePausePending = 6,
    kServicePaused = 7,
};

struct ServiceStatus {
    std::uint32_t state;
    std::uint32_t waitHintMs;
};

// The service control manager and one service of it; Close closes what was opened.
class ServiceControl {
public:
    virtual ~ServiceControl() = default;
    virtual bool OpenManager() = 0;
    virtual bool OpenService(const char* name) = 0;
    virtual bool QueryStatus(ServiceStatus* status) = 0;
    virtual bool Start() = 0;
    virtual void CloseService() = 0;
    virtual void CloseManager() = 0;
};

class WaitClock {
public:
    virtual ~WaitClock() = default;
    virtual std::uint64_t NowMs() = 0;
    virtual void SleepMs(std::uint32_t ms) = 0;
};

// The longest the check waits for a started service to run. The interface
// does not respond meanwhile, so the bound stays well below what a user
// would take for a hang of the program.
constexpr std::uint32_t kServiceStartBoundMs = 30000;
// A service that gives no wait hint is asked again after this long rather
// than in a busy loop.
constexpr std::uint32_t kServicePollMinMs = 100;

// Whether a service in this state has to be started before it can serve.
// Running, start-pending and continue-pending services are on their way and
// need none; a stopped service needs one. A service that is stopping or
// paused does not serve either: it gets a start, which the manager refuses
// while it is in that state, so it answers "not normal".
bool NeedsStart(std::uint32_t state);

// 0: the service runs (or is starting); -1: it does not and could not be started.
int CheckService(const char* name, ServiceControl& services, WaitClock& clock);

}  // namespace keytool
