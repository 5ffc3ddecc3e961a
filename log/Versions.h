// Versions a support person asks for first: the program's, the key library's
// and the system's, with their bitness.
#pragma once

#include <string>

// "1.0.0 (32-bit)".
std::string ProgramVersion();
// The file version of the loaded key library, "1.2.3.4", or "no version resource";
// "not loaded" when the process has not loaded it.
std::string KeyLibVersion();
// "10.0.19045 (64-bit)": the real version, whatever the program's manifest says.
std::string WindowsVersion();
