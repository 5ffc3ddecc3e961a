// Names for screen readers of controls whose visible label does not say what
// they are, or that have none; what is drawn stays as it is.
#pragma once

#include <windows.h>

namespace fw {

// Gives the control an accessible name: the control answers a screen reader's
// request for its object with the system's own object under that name. Works on
// every Windows and on Wine, whose property service keeps no names. Needs COM on
// the control's thread. Once per control.
bool SetAccessibleName(HWND control, const wchar_t* name);

}  // namespace fw
