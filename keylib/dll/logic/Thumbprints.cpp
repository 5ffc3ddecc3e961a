#include "keylib/dll/logic/Thumbprints.h"

#include "keylib/dll/logic/TextLines.h"

namespace keylib {
namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool parseLine(std::string line, Thumbprint& out) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() != 2 * out.size()) return false;
    for (size_t i = 0; i < out.size(); ++i) {
        const int hi = hexValue(line[2 * i]);
        const int lo = hexValue(line[2 * i + 1]);
        if (hi < 0 || lo < 0) return false;
        out[i] = static_cast<uint8_t>(hi << 4 | lo);
    }
    return true;
}

}  // namespace

std::vector<Thumbprint> parseThumbprints(const std::string& text) {
    std::vector<Thumbprint> list;
    size_t at = 0;
    std::string line;
    while (nextLine(text, at, line)) {
        Thumbprint t;
        if (parseLine(line, t)) list.push_back(t);
    }
    return list;
}

std::string thumbprintHex(const Thumbprint& thumbprint) {
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (uint8_t b : thumbprint) {
        hex += digits[b >> 4];
        hex += digits[b & 0xF];
    }
    return hex;
}

std::string formatThumbprints(const std::vector<Thumbprint>& list) {
    std::string out;
    for (const Thumbprint& t : list) out += thumbprintHex(t) + '\n';
    return out;
}

}  // namespace keylib
