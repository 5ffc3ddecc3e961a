#include "device/ServiceCheck.h"

#include <windows.h>

#include "device/logic/ServiceCheck.h"
#include "log/Log.h"

static_assert(keytool::kServiceStopped == SERVICE_STOPPED);
static_assert(keytool::kServiceStartPending == SERVICE_START_PENDING);
static_assert(keytool::kServiceStopPending == SERVICE_STOP_PENDING);
static_assert(keytool::kServiceRunning == SERVICE_RUNNING);
static_assert(keytool::kServiceContinuePending == SERVICE_CONTINUE_PENDING);
static_assert(keytool::kServicePausePending == SERVICE_PAUSE_PENDING);
static_assert(keytool::kServicePaused == SERVICE_PAUSED);

namespace {

class ServiceManager : public keytool::ServiceControl {
public:
    bool OpenManager() override {
        m_manager = ::OpenSCManagerA(nullptr, nullptr, GENERIC_EXECUTE);
        if (!m_manager) LogLastError("OpenSCManagerA");
        return m_manager != nullptr;
    }
    bool OpenService(const char* name) override {
        m_service = ::OpenServiceA(m_manager, name, SERVICE_QUERY_STATUS | SERVICE_START);
        if (!m_service) LogLastError("OpenServiceA");
        return m_service != nullptr;
    }
    bool QueryStatus(keytool::ServiceStatus* status) override {
        SERVICE_STATUS current{};
        if (!::QueryServiceStatus(m_service, &current)) {
            LogLastError("QueryServiceStatus");
            return false;
        }
        status->state = current.dwCurrentState;
        status->waitHintMs = current.dwWaitHint;
        return true;
    }
    bool Start() override {
        LogLine("service check: starting the smart-card service");
        if (::StartServiceA(m_service, 0, nullptr)) return true;
        LogLastError("StartServiceA");
        return false;
    }
    void CloseService() override { ::CloseServiceHandle(m_service); }
    void CloseManager() override { ::CloseServiceHandle(m_manager); }

private:
    SC_HANDLE m_manager = nullptr;
    SC_HANDLE m_service = nullptr;
};

class TickClock : public keytool::WaitClock {
public:
    std::uint64_t NowMs() override { return ::GetTickCount64(); }
    void SleepMs(std::uint32_t ms) override { ::Sleep(ms); }
};

}  // namespace

int CheckService(const char* serviceName) {
    ServiceManager services;
    TickClock clock;
    return keytool::CheckService(serviceName, services, clock);
}
