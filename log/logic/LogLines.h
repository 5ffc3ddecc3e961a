// The tool's log as text: how one line looks, when the file rolls over, how a
// flood of lines is held back, and the last lines of the current and the
// previous file. Texts are UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace keytool {

struct UtcTime {
    std::uint16_t year, month, day, hour, minute, second, millisecond;
};

// The file rolls over before a line would take it past this size.
constexpr std::uint64_t kLogRollSize = 1024 * 1024;
// What a writer that could not take the roll-over lock may still append past
// the size: a lock held for long cannot make the file grow without bound.
constexpr std::uint64_t kLogUnlockedSlack = 64 * 1024;
// Bytes of message text kept per line; longer texts are cut between characters.
constexpr std::size_t kLogTextMax = 1000;
// Lines the diagnostics report shows.
constexpr std::size_t kLogTailLines = 200;
// Lines of one kind written at once before the rate bound holds them back,
// and the time after which one more may go.
constexpr std::uint32_t kLogBurstLines = 5;
constexpr std::uint64_t kLogLineIntervalMs = 1000;
// How long a line repeated without change is only counted.
constexpr std::uint64_t kLogRepeatMs = 60 * 1000;

// "2026-12-07 01:22:33.123Z [1234] text" and CR LF. Line breaks and other
// control characters in the text become spaces, so one call is one line.
std::string FormatLogLine(const UtcTime& time, std::uint32_t processId, const char* text);

enum class LogStep { Append, RollOver, Drop };

// What to do with a line of `lineSize` bytes when the file has `size` bytes.
// Only the holder of the roll-over lock (`locked`) rolls over; an empty file
// takes any line.
LogStep NextLogStep(std::uint64_t size, std::size_t lineSize, bool locked);

// Holds back a flood of lines of one kind (one call site): a line equal to
// the kind's last written one is only counted, and after a burst a kind
// writes one line per interval. What was held back is told in one line before
// the kind's next line goes.
class LogFlood {
public:
    // The texts to write now for a line of `kind` at `nowMs` (a monotonic
    // clock): none, the line, or a line telling what was held back and the line.
    std::vector<std::string> Admit(const std::string& kind, const std::string& text,
                                   std::uint64_t nowMs);
    // The lines telling what every kind still holds back, for the end of the process.
    std::vector<std::string> Drain();

private:
    struct Kind {
        std::string last;  // the last line written
        std::uint64_t lastMs = 0, refillMs = 0;
        std::uint32_t tokens = kLogBurstLines;
        std::uint32_t held = 0;
        bool written = false;
        bool allRepeats = true;  // every line held back equals `last`
        std::string lastHeld;
    };
    static std::string HeldBack(Kind& kind);
    std::map<std::string, Kind> m_kinds;
};

// The last `count` lines of the previous file followed by the current one,
// without their line ends. A last line cut short by a crash is kept as it is.
std::vector<std::string> LastLogLines(const std::string& previous, const std::string& current,
                                      std::size_t count);

}  // namespace keytool
