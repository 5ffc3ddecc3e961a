// Running main windows as the window manager lists them, and the processes behind them.
#pragma once

#include <cstdint>

#include "app/logic/InstanceWindows.h"

class Win32InstanceWindows : public keytool::InstanceWindows {
public:
    keytool::WindowId Next(keytool::WindowId after) override;
    bool IsWindow(keytool::WindowId window) override;
    std::uint32_t UserData(keytool::WindowId window) override;
    std::uint32_t InstanceTag() override;
    bool RequestActivation(keytool::WindowId window, std::intptr_t* answer) override;
    void PostBalloon(keytool::WindowId window, std::uint32_t textNumber) override;
    keytool::ProcessId OwnerOf(keytool::WindowId window) override;
    bool RequestExit(keytool::WindowId window) override;
    std::vector<keytool::ProcessId> ProcessesIn(const std::wstring& folder) override;
    bool WaitEnd(keytool::ProcessId process) override;
};

// Posts a balloon request to every running main window, this process's included.
int NotifyInstances(std::uint32_t textNumber);
