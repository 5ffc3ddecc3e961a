#include "installer/logic/RunningTools.h"

#include <algorithm>
#include <vector>

namespace keytool {

StopResult StopRunningTools(RunningTools& tools) {
    // Collected first: a window that ends can no longer lead the search to the next one.
    std::vector<WindowId> windows;
    for (WindowId window = tools.Next(0); tools.IsWindow(window); window = tools.Next(window)) {
        const std::uint32_t tag = tools.InstanceTag();
        if (tools.UserData(window) == tag) windows.push_back(window);
    }
    std::vector<ProcessId> processes;
    for (WindowId window : windows) {
        const ProcessId process = tools.OwnerOf(window);
        if (process == 0) continue;  // ended meanwhile
        if (std::find(processes.begin(), processes.end(), process) == processes.end()) {
            processes.push_back(process);
        }
    }
    // All are asked before any is waited for, so they unload in parallel. A request that
    // times out still gets its wait: a busy tool may yet end within the bound.
    for (WindowId window : windows) tools.RequestExit(window);
    StopResult result;
    for (ProcessId process : processes) {
        ++result.found;
        if (!tools.WaitEnd(process)) ++result.notEnded;
    }
    return result;
}

}  // namespace keytool
