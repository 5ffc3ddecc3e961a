// Keyboard navigation on real windows: the dialog keys of a key-down message
// with Ctrl, Shift and Alt as they were, and the tab order over window handles.
#pragma once

#include <windows.h>

#include "framework/logic/DialogKeys.h"

namespace fw {

// DialogKey::None for anything but a key-down.
DialogKey DialogKeyOf(const MSG& msg);

// The next (or previous) tab stop among root's windows after current; null
// when root has none.
HWND NextDlgTabStop(HWND root, HWND current, bool backwards);

}  // namespace fw
