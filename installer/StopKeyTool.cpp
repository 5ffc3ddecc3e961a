// stopkeytool.exe: ends every running key tool of this session through its exit
// message, as the installer and uninstaller need before they touch its files.
// Exit code 0 when none is left running, 1 when one did not end in time.
#include <cstdio>

#include "installer/RunningToolsWin32.h"

int main() {
    Win32RunningTools tools;
    const keytool::StopResult result = keytool::StopRunningTools(tools);
    std::printf("running: %u, not ended: %u\n", result.found, result.notEnded);
    return result.notEnded == 0 ? 0 : 1;
}
