// Names for screen readers of controls whose visible label does not say what
// they are, or that have none; what is drawn stays as it is.
#pragma once

#include <windows.h>

namespace fw {

// Gives the control an accessible name: an annotation of oleacc's property
// service where the system keeps them (taken back when the window goes), or
// else what the system's standard proxies read: for an edit, an invisible
// label just before it; for any other control, its window text, set past the
// control's own procedure so that a picture keeps its picture. Needs COM on
// the calling thread. False, with the failure logged, when neither took.
bool SetAccessibleName(HWND control, const wchar_t* name);

}  // namespace fw
