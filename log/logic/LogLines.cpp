#include "log/logic/LogLines.h"

#include <cstdio>
#include <cstring>

#include "framework/logic/GbkText.h"

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
    line.append(text ? text : "", fw::GbkPrefixLength(text, length, kLogTextMax));
    for (std::size_t i = std::strlen(stamp); i < line.size(); ++i) {
        const auto byte = static_cast<unsigned char>(line[i]);
        if (byte < 0x20 || byte == 0x7F) line[i] = ' ';
    }
    return line + "\r\n";
}

bool NeedsRollOver(std::uint64_t size, std::size_t lineSize) {
    return size > 0 && size + lineSize > kLogRollSize;
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
