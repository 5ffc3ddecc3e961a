#include "app/logic/InstanceWindows.h"

#include <algorithm>

namespace keytool {

bool ForEachInstance(InstanceWindows& windows, TagOrder order,
                     const std::function<bool(WindowId)>& visit) {
    for (WindowId window = windows.Next(0); windows.IsWindow(window);
         window = windows.Next(window)) {
        std::uint32_t tag = 0;
        std::uint32_t userData = 0;
        if (order == TagOrder::kTagFirst) {
            tag = windows.InstanceTag();
            userData = windows.UserData(window);
        } else {
            userData = windows.UserData(window);
            tag = windows.InstanceTag();
        }
        if (userData == tag && !visit(window)) return true;
    }
    return false;
}

bool AnotherInstanceAnswers(InstanceWindows& windows) {
    return ForEachInstance(windows, TagOrder::kTagFirst, [&windows](WindowId window) {
        std::intptr_t answer = 0;
        return windows.RequestActivation(window, &answer) && answer != kActivationAnswer;
    });
}

int NotifyInstances(InstanceWindows& windows, std::uint32_t textNumber) {
    ForEachInstance(windows, TagOrder::kUserDataFirst, [&](WindowId window) {
        windows.PostBalloon(window, textNumber);
        return true;
    });
    return 0;
}

StopResult StopRunningTools(InstanceWindows& windows, const std::wstring& folder) {
    // Collected first: a window that ends can no longer lead the search to the next one.
    std::vector<WindowId> found;
    ForEachInstance(windows, TagOrder::kTagFirst, [&found](WindowId window) {
        found.push_back(window);
        return true;
    });
    std::vector<ProcessId> tools;
    for (WindowId window : found) {
        const ProcessId process = windows.OwnerOf(window);
        if (process == 0) continue;  // ended meanwhile
        if (std::find(tools.begin(), tools.end(), process) == tools.end()) tools.push_back(process);
    }
    // All are asked before any is waited for, so they unload in parallel. A request that
    // times out still gets its wait: a busy tool may yet end within the bound.
    for (WindowId window : found) windows.RequestExit(window);
    StopResult result;
    for (ProcessId process : tools) ++(windows.WaitEnd(process) ? result.ended : result.notEnded);
    // ukeyctl and keyadmin end on their own; a tool that did not end is counted once.
    for (ProcessId process : windows.ProcessesIn(folder)) {
        if (std::find(tools.begin(), tools.end(), process) != tools.end()) continue;
        if (!windows.WaitEnd(process)) ++result.notEnded;
    }
    return result;
}

}  // namespace keytool
