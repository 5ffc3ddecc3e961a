// Command-line paths arrive in the ANSI code page; the store works with wide paths.
#pragma once

#include <string>

namespace keyadmin {

std::wstring widenPath(const std::string& path);

}  // namespace keyadmin
