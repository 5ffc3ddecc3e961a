// Names for screen readers of controls whose visible label does not say what
// they are, or that have none; what is drawn stays as it is.
#pragma once

#include <windows.h>

namespace fw {

// Gives the control an accessible name through oleacc's property service
// (taken back when the window goes). Needs COM on the calling thread. False,
// where the service keeps no annotations.
bool SetAccessibleName(HWND control, const wchar_t* name);

}  // namespace fw
