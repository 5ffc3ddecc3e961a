#include "log/logic/LogLines.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "text/logic/Utf8Text.h"

namespace keytool {
namespace {

// Appends the lines of `text` to `lines`, oldest first.
void SplitLines(const std::string& text, std::vector<std::string>& lines) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        const std::size_t next = end == std::string::npos ? text.size() : end + 1;
        if (end == std::string::npos) end = text.size();
        std::size_t length = end - start;
        if (length > 0 && text[start + length - 1] == '\r') --length;
        lines.emplace_back(text, start, length);
        start = next;
    }
}

// The start of the last `count` lines of text (0 when it has fewer).
std::size_t TailStart(const std::string& text, std::size_t count) {
    std::size_t position = text.size();
    if (position > 0 && text[position - 1] == '\n') --position;
    for (std::size_t seen = 0; position > 0; --position) {
        if (text[position - 1] == '\n' && ++seen == count) return position;
    }
    return 0;
}

}  // namespace

std::string FormatLogLine(const UtcTime& time, std::uint32_t processId, const char* text) {
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u.%03uZ [%u] ",
                  unsigned{time.year}, unsigned{time.month}, unsigned{time.day},
                  unsigned{time.hour}, unsigned{time.minute}, unsigned{time.second},
                  unsigned{time.millisecond}, unsigned{processId});
    const std::size_t length = text ? std::strlen(text) : 0;
    std::string line = stamp;
    line.append(text ? text : "", Utf8PrefixLength(text, length, kLogTextMax));
    for (std::size_t i = std::strlen(stamp); i < line.size(); ++i) {
        const auto byte = static_cast<unsigned char>(line[i]);
        if (byte < 0x20 || byte == 0x7F) line[i] = ' ';
    }
    return line + "\r\n";
}

LogStep NextLogStep(std::uint64_t size, std::size_t lineSize, bool locked) {
    if (size == 0 || size + lineSize <= kLogRollSize) return LogStep::Append;
    if (locked) return LogStep::RollOver;
    return size + lineSize <= kLogRollSize + kLogUnlockedSlack ? LogStep::Append : LogStep::Drop;
}

std::string LogFlood::HeldBack(Kind& kind) {
    const std::string count = std::to_string(kind.held);
    std::string text = kind.allRepeats
                           ? u8"\u2026 repeated " + count + " times: " + kind.last
                           : u8"\u2026 " + count + " more held back, the last: " + kind.lastHeld;
    kind.held = 0;
    kind.allRepeats = true;
    return text;
}

std::vector<std::string> LogFlood::Admit(const std::string& kindName, const std::string& text,
                                         std::uint64_t nowMs) {
    Kind& kind = m_kinds[kindName];
    const std::uint64_t earned =
        nowMs > kind.refillMs ? (nowMs - kind.refillMs) / kLogLineIntervalMs : 0;
    if (earned > 0) {
        kind.tokens = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(kLogBurstLines, kind.tokens + earned));
        kind.refillMs = nowMs;
    }
    const bool repeat = kind.written && text == kind.last;
    if ((repeat && nowMs - kind.lastMs < kLogRepeatMs) || kind.tokens == 0) {
        ++kind.held;
        kind.allRepeats = kind.allRepeats && repeat;
        kind.lastHeld = text;
        return {};
    }
    --kind.tokens;
    kind.lastMs = nowMs;
    kind.written = true;
    std::vector<std::string> lines;
    if (repeat && kind.held > 0 && kind.allRepeats) {
        ++kind.held;  // this one is told by the count
        lines.push_back(HeldBack(kind));
        return lines;
    }
    if (kind.held > 0) lines.push_back(HeldBack(kind));
    kind.last = text;
    lines.push_back(text);
    return lines;
}

std::vector<std::string> LogFlood::Drain() {
    std::vector<std::string> lines;
    for (auto& entry : m_kinds) {
        if (entry.second.held > 0) lines.push_back(HeldBack(entry.second));
    }
    return lines;
}

std::vector<std::string> LastLogLines(const std::string& previous, const std::string& current,
                                      std::size_t count) {
    std::vector<std::string> lines;
    if (count == 0) return lines;
    SplitLines(current.substr(TailStart(current, count)), lines);
    if (lines.size() < count) {
        std::vector<std::string> older;
        SplitLines(previous.substr(TailStart(previous, count - lines.size())), older);
        lines.insert(lines.begin(), older.begin(), older.end());
    }
    return lines;
}

}  // namespace keytool
