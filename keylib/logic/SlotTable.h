// The process-wide list of plugged-in keys, as the key library last gave it.
#pragma once

#include <cstdint>

namespace keytool {

constexpr std::uint32_t kMaxSlots = 256;

}  // namespace keytool

extern std::uint32_t g_dwSlots[keytool::kMaxSlots];
extern std::uint32_t g_nSlots;
