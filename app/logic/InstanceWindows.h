// Finding the running main windows of this program, for a second start, for balloons and for
// the set-up's stop helper: a window counts when its class and title match and its user-data
// value equals the instance tag.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace keytool {

using WindowId = std::uintptr_t;  // 0 = none
using ProcessId = std::uint32_t;  // 0 = none

// The platform's view of the top-level windows with the main window's class and title, and of
// the processes behind them. Every operation of the null implementation does nothing and
// answers 0 or false.
class InstanceWindows {
public:
    virtual ~InstanceWindows() = default;
    // The next matching top-level window after `after` (0: the first); 0 when none is left.
    virtual WindowId Next(WindowId /*after*/) { return 0; }
    virtual bool IsWindow(WindowId /*window*/) { return false; }
    virtual std::uint32_t UserData(WindowId /*window*/) { return 0; }
    virtual std::uint32_t InstanceTag() { return 0; }
    // Sends the activation request and waits a bounded time; false on time-out or failure.
    virtual bool RequestActivation(WindowId /*window*/, std::intptr_t* /*answer*/) { return false; }
    virtual void PostBalloon(WindowId /*window*/, std::uint32_t /*textNumber*/) {}
    // The process owning the window; 0 when the window is gone.
    virtual ProcessId OwnerOf(WindowId /*window*/) { return 0; }
    // Sends the exit request and waits a bounded time for the answer; false on time-out or failure.
    virtual bool RequestExit(WindowId /*window*/) { return false; }
    // Processes whose program lies in `folder`, other than this one and the one that started it.
    virtual std::vector<ProcessId> ProcessesIn(const std::wstring& /*folder*/) { return {}; }
    // Waits a bounded time; true when the process has ended (or was gone already).
    virtual bool WaitEnd(ProcessId /*process*/) { return false; }
};

// Whether a candidate's user data is read before or after the tag is asked for: a second start
// asks for the tag first, a balloon reads the user data first.
enum class TagOrder { kTagFirst, kUserDataFirst };

// Calls `visit` for every tagged main window in z-order, the tag asked for afresh for each
// candidate, until `visit` returns false; true when it stopped the walk.
bool ForEachInstance(InstanceWindows& windows, TagOrder order,
                     const std::function<bool(WindowId)>& visit);

// The answer a running main window gives to the activation request.
constexpr std::intptr_t kActivationAnswer = -1;

// True when a running instance took over (or hangs): this process must end.
bool AnotherInstanceAnswers(InstanceWindows& windows);

// Posts the balloon number to every running main window; always 0.
int NotifyInstances(InstanceWindows& windows, std::uint32_t textNumber);

struct StopResult {
    unsigned ended = 0;     // processes with a tagged main window that ended
    unsigned notEnded = 0;  // tools and other processes of the folder still running after the wait
};

// Before the set-up touches `folder`: asks every running tool to end through its exit message
// and waits for each, then waits for every other process running from the folder. Nothing is
// killed.
StopResult StopRunningTools(InstanceWindows& windows, const std::wstring& folder);

}  // namespace keytool
