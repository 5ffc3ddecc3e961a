// Names of the files a store write puts beside its target before renaming them over it. A
// process killed between the two leaves one behind; the next writer recognises and removes it.
#pragma once

#include <cstdint>
#include <string>

namespace keylib {

// target + ".tmp<process>-<thread>": unique among the writers that may run at once.
std::string temporaryName(const std::string& target, uint32_t process, uint32_t thread);
// True for a name temporaryName makes from any target, and for no key or list file.
bool isTemporaryName(const std::string& name);

}  // namespace keylib
