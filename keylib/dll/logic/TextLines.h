// Line-by-line reading of the store's small text files.
#pragma once

#include <string>

namespace keylib {

// The line starting at `at` without its '\n', as std::getline gives it; `at` moves past it.
// False once the text is used up (a final '\n' starts no further line).
inline bool nextLine(const std::string& text, size_t& at, std::string& line) {
    if (at >= text.size()) return false;
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    line.assign(text, at, end - at);
    at = end + 1;
    return true;
}

}  // namespace keylib
