// The tool's log for support: %LOCALAPPDATA%\Qelmora\UsbKeyTool\keytool.log in
// UTF-8, one line per call with UTC time and process id, rolled over at 1 MB
// into keytool.log.1. Each line is written and the file closed at once, so a
// crash loses at most the line being written; a log that cannot be written is
// skipped without a word. A flood of lines from one call site is held back
// and told as a count. Never give it a password.
#pragma once

#include <cstdint>
#include <string>

// printf-style; one line. The format and its texts are UTF-8.
void LogLine(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
// The same for texts still in code page 936 (GBK): the line is converted here.
void LogLineGbk(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
// "<call> failed: error N" with GetLastError().
void LogLastError(const char* call);
// Logs "<call>(slot N) answered 0xXXXXXXXX" when a key-library call did not
// answer 0, and hands the answer back, so a call is wrapped where it stands.
std::uint32_t LoggedKeyLib(const char* call, std::uint32_t slot, std::uint32_t status);

// Logs "ShellExecuteA(open <what>) answered N" when the shell's answer means failure (N <= 32).
void LogShellOpen(const char* what, std::intptr_t answer);

// The log file and the one before it, in UTF-8; empty when no folder is known.
std::string LogFilePath();
std::string PreviousLogFilePath();
