// The tool's log as text: how one line looks, when the file rolls over, and
// the last lines of the current and the previous file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace keytool {

struct UtcTime {
    std::uint16_t year, month, day, hour, minute, second, millisecond;
};

// The file rolls over before a line would take it past this size.
constexpr std::uint64_t kLogRollSize = 1024 * 1024;
// Bytes of message text kept per line; longer texts are cut between characters.
constexpr std::size_t kLogTextMax = 1000;
// Lines the diagnostics report shows.
constexpr std::size_t kLogTailLines = 200;

// "2026-12-07 01:22:33.123Z [1234] text" and CR LF. Line breaks and other
// control characters in the text become spaces, so one call is one line.
std::string FormatLogLine(const UtcTime& time, std::uint32_t processId, const char* text);

// Whether the file, now `size` bytes, must be rolled over before a line of
// `lineSize` bytes is appended. An empty file takes any line.
bool NeedsRollOver(std::uint64_t size, std::size_t lineSize);

// The last `count` lines of the previous file followed by the current one,
// without their line ends. A last line cut short by a crash is kept as it is.
std::vector<std::string> LastLogLines(const std::string& previous, const std::string& current,
                                      std::size_t count);

}  // namespace keytool
