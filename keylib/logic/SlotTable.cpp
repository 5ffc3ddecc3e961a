#include "keylib/logic/SlotTable.h"

std::uint32_t g_dwSlots[keytool::kMaxSlots] = {};
std::uint32_t g_nSlots = 0;
