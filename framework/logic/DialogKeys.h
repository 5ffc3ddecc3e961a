// What the keys that move around a dialog do: Tab and Shift+Tab move the
// focus, Ctrl+Tab, Ctrl+Shift+Tab, Ctrl+PgDn and Ctrl+PgUp switch tabs as in
// a property sheet.
#pragma once

#include <cstdint>

namespace fw {

constexpr std::uint32_t kVkTab = 0x09;       // VK_TAB
constexpr std::uint32_t kVkPageUp = 0x21;    // VK_PRIOR
constexpr std::uint32_t kVkPageDown = 0x22;  // VK_NEXT

enum class DialogKey { None, NextControl, PreviousControl, NextTab, PreviousTab };

// A key-down with the state of Ctrl, Shift and Alt; Alt keeps every key to itself.
DialogKey ClassifyDialogKey(std::uint32_t virtualKey, bool ctrl, bool shift, bool alt);

// The tab a switch selects among count tabs, wrapping around; from no
// selection (current below 0) the first or the last. -1 when key is no tab
// switch or there are no tabs.
int SwitchedTab(DialogKey key, int current, int count);

}  // namespace fw
