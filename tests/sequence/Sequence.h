// Recorded sequences against expected tables, as Wine's conformance tests
// compare message orders: table entries match log entries in order, an
// optional entry may be absent, and a difference is reported with its index,
// what was expected and what came.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace seq {

// One expected line of a text log, such as a recorded call.
struct Line {
    Line(std::string expected, bool isOptional = false)
        : text(std::move(expected)), optional(isOptional) {}
    Line(const char* expected, bool isOptional = false) : Line(std::string(expected), isOptional) {}
    std::string text;
    bool optional;
};

inline Line Optional(std::string expected) { return Line(std::move(expected), true); }

inline bool Matches(const Line& expected, const std::string& got) { return expected.text == got; }
inline bool IsOptional(const Line& expected) { return expected.optional; }
inline std::string Describe(const Line& expected) {
    return expected.text + (expected.optional ? " (optional)" : "");
}
inline std::string Describe(const std::string& got) { return got; }

// The first difference between the log and the table, or "" when they agree.
// Each entry type offers Matches(expected, got), IsOptional(expected) and
// Describe for both.
template <class Expected, class Got>
std::string FirstDifference(const std::vector<Got>& log, const Expected* table, std::size_t count) {
    std::size_t e = 0;
    std::size_t g = 0;
    while (e < count || g < log.size()) {
        if (e < count && g < log.size() && Matches(table[e], log[g])) {
            ++e;
            ++g;
        } else if (e < count && IsOptional(table[e])) {
            ++e;
        } else {
            return "index " + std::to_string(e) + ": expected " +
                   (e < count ? Describe(table[e]) : std::string("nothing more")) + ", got " +
                   (g < log.size() ? Describe(log[g]) : std::string("nothing more")) +
                   " (recorded entry " + std::to_string(g) + ")";
        }
    }
    return {};
}

template <class Expected, class Got>
void ExpectSequence(const std::vector<Got>& log, const std::vector<Expected>& table,
                    const std::string& context) {
    const std::string difference = FirstDifference(log, table.data(), table.size());
    if (difference.empty()) return;
    std::string recorded;
    for (std::size_t i = 0; i < log.size(); ++i) {
        recorded += "  " + std::to_string(i) + ": " + Describe(log[i]) + "\n";
    }
    ADD_FAILURE() << context << ": " << difference << "\nrecorded:\n" << recorded;
}

template <class Expected, std::size_t N, class Got>
void ExpectSequence(const std::vector<Got>& log, const Expected (&table)[N],
                    const std::string& context) {
    ExpectSequence(log, std::vector<Expected>(table, table + N), context);
}

}  // namespace seq
