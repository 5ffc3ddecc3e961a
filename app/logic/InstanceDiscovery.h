// Finding the running main windows of this program: a window counts when its
// class and title match and its user-data value equals the instance tag.
#pragma once

#include <cstdint>

namespace keytool {

using WindowId = std::uintptr_t;  // 0 = none

// The platform's view of the top-level windows with the main window's class and title.
class InstanceWindows {
public:
    virtual ~InstanceWindows() = default;
    // The next matching top-level window after `after` (0: the first); 0 when none is left.
    virtual WindowId Next(WindowId after) = 0;
    virtual bool IsWindow(WindowId window) = 0;
    virtual std::uint32_t UserData(WindowId window) = 0;
    virtual std::uint32_t InstanceTag() = 0;
    // Sends the activation request and waits a bounded time; false on time-out or failure.
    virtual bool RequestActivation(WindowId window, std::intptr_t* answer) = 0;
    virtual void PostBalloon(WindowId window, std::uint32_t textNumber) = 0;
};

// The answer a running main window gives to the activation request.
constexpr std::intptr_t kActivationAnswer = -1;

// True when a running instance took over (or hangs): this process must end.
bool AnotherInstanceAnswers(InstanceWindows& windows);

// Posts the balloon number to every running main window; always 0.
int NotifyInstances(InstanceWindows& windows, std::uint32_t textNumber);

}  // namespace keytool
