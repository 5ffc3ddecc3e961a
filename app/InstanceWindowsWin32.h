// Running main windows as the window manager lists them.
#pragma once

#include <cstdint>

#include "app/logic/InstanceDiscovery.h"

class Win32InstanceWindows : public keytool::InstanceWindows {
public:
    keytool::WindowId Next(keytool::WindowId after) override;
    bool IsWindow(keytool::WindowId window) override;
    std::uint32_t UserData(keytool::WindowId window) override;
    std::uint32_t InstanceTag() override;
    bool RequestActivation(keytool::WindowId window, std::intptr_t* answer) override;
    void PostBalloon(keytool::WindowId window, std::uint32_t textNumber) override;
};

// Posts a balloon request to every running main window, this process's included.
int NotifyInstances(std::uint32_t textNumber);
