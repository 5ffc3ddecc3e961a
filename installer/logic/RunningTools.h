// Ending every running key tool before its files are replaced or removed: the
// main windows are found as a second instance finds them, each is asked to
// end, and its process is waited for, within bounds. Nothing is killed.
#pragma once

#include <cstdint>

#include "app/logic/InstanceDiscovery.h"

namespace keytool {

using ProcessId = std::uint32_t;  // 0 = none

// The platform's view of the running tools.
class RunningTools {
public:
    virtual ~RunningTools() = default;
    // The next top-level window with the main window's class and title (0: the first); 0 when
    // none is left.
    virtual WindowId Next(WindowId after) = 0;
    virtual bool IsWindow(WindowId window) = 0;
    virtual std::uint32_t UserData(WindowId window) = 0;
    virtual std::uint32_t InstanceTag() = 0;
    // The process owning the window; 0 when the window is gone.
    virtual ProcessId OwnerOf(WindowId window) = 0;
    // Sends the exit request and waits a bounded time for the answer; false on time-out or failure.
    virtual bool RequestExit(WindowId window) = 0;
    // Waits a bounded time; true when the process has ended (or was gone already).
    virtual bool WaitEnd(ProcessId process) = 0;
};

struct StopResult {
    unsigned found = 0;     // processes with a tagged main window
    unsigned notEnded = 0;  // of those, still running after the wait
};

// Asks every tagged main window to end, then waits for each owning process once.
StopResult StopRunningTools(RunningTools& tools);

}  // namespace keytool
