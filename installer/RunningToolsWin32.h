// The running tools as Win32 sees them: top-level windows, the key library's
// instance tag, the exit message and process handles.
#pragma once

#include "installer/logic/RunningTools.h"

class Win32RunningTools : public keytool::RunningTools {
public:
    keytool::WindowId Next(keytool::WindowId after) override;
    bool IsWindow(keytool::WindowId window) override;
    std::uint32_t UserData(keytool::WindowId window) override;
    std::uint32_t InstanceTag() override;
    keytool::ProcessId OwnerOf(keytool::WindowId window) override;
    bool RequestExit(keytool::WindowId window) override;
    bool WaitEnd(keytool::ProcessId process) override;
};
