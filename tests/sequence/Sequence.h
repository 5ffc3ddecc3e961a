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

// One expected line of a recorded log: a call, a message or a framework step.
struct Line {
    Line(std::string expected, bool isOptional = false)
        : text(std::move(expected)), optional(isOptional) {}
    Line(const char* expected, bool isOptional = false) : Line(std::string(expected), isOptional) {}
    std::string text;
    bool optional;
};

// The first difference between the log and the table, or "" when they agree.
inline std::string FirstDifference(const std::vector<std::string>& log, const Line* table,
                                   std::size_t count) {
    std::size_t g = 0;
    for (std::size_t e = 0; e < count || g < log.size(); ++e) {
        if (e < count && g < log.size() && table[e].text == log[g]) {
            ++g;
        } else if (e >= count || !table[e].optional) {
            return "index " + std::to_string(e) + ": expected " +
                   (e < count ? table[e].text : std::string("nothing more")) + ", got " +
                   (g < log.size() ? log[g] : std::string("nothing more")) + " (recorded entry " +
                   std::to_string(g) + ")";
        }
    }
    return {};
}

template <std::size_t N>
void ExpectSequence(const std::vector<std::string>& log, const Line (&table)[N],
                    const std::string& context) {
    const std::string difference = FirstDifference(log, table, N);
    if (difference.empty()) return;
    std::string recorded;
    for (std::size_t i = 0; i < log.size(); ++i) {
        recorded += "  " + std::to_string(i) + ": " + log[i] + "\n";
    }
    ADD_FAILURE() << context << ": " << difference << "\nrecorded:\n" << recorded;
}

}  // namespace seq
