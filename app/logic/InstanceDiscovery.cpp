#include "app/logic/InstanceDiscovery.h"

namespace keytool {

bool AnotherInstanceAnswers(InstanceWindows& windows) {
    for (WindowId window = windows.Next(0); windows.IsWindow(window);
         window = windows.Next(window)) {
        // The tag is asked for afresh for every candidate.
        const std::uint32_t tag = windows.InstanceTag();
        if (windows.UserData(window) != tag) continue;
        std::intptr_t answer = 0;
        if (!windows.RequestActivation(window, &answer) || answer == kActivationAnswer) {
            return true;
        }
    }
    return false;
}

int NotifyInstances(InstanceWindows& windows, std::uint32_t textNumber) {
    for (WindowId window = windows.Next(0); windows.IsWindow(window);
         window = windows.Next(window)) {
        const std::uint32_t userData = windows.UserData(window);
        if (userData == windows.InstanceTag()) windows.PostBalloon(window, textNumber);
    }
    return 0;
}

}  // namespace keytool
