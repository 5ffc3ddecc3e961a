// The log line of one device-change evaluation: what it counted and what it decided.
#pragma once

#include <cstdint>
#include <string>

namespace keytool {

struct KeyEvaluation {
    std::uint32_t eventType;
    std::uint32_t lastCount;    // the main window's count before the evaluation
    std::uint32_t quickCount;   // the count-only read
    std::uint32_t listedCount;  // the full read after the wait, when there was one
    bool listed;                // the count changed, so the full list was read
};

std::string DescribeKeyEvaluation(const KeyEvaluation& evaluation);

}  // namespace keytool
