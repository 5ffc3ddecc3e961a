// Runs keyadmin.exe, built beside the test programs, as a separate process.
#pragma once

#include <windows.h>

#include <string>

namespace keylibtest {

struct AdminResult {
    DWORD exitCode = 0xFFFFFFFF;
    std::string output;  // stdout and stderr together
};

// Waits for the tool while dispatching this thread's messages, so that a window of the test
// can take the broadcast the tool sends.
AdminResult runAdmin(const std::string& arguments);
// Starts the tool without waiting; its output is discarded. The caller closes the handle.
HANDLE startAdmin(const std::string& arguments);

}  // namespace keylibtest
