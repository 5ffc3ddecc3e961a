// How the admin tool tells the user what went wrong.
#pragma once

#include <cstdint>
#include <string>

namespace keyadmin {

extern const char kUnreadableList[];

// Prints "keyadmin: message" to stderr and answers the failing exit code.
int fail(const std::string& message);
// The meaning of a KeyLib status, for messages.
std::string describeStatus(uint32_t status);

}  // namespace keyadmin
