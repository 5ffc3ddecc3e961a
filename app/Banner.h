// Banners drawn from PNG artwork kept at a few sizes and scaled to their
// static controls with GDI+, so that they fill the controls at any DPI.
#pragma once

#include <windows.h>

#include <cstddef>

// The dialog's bitmap static control; none when it has no such control.
HWND FindBannerControl(HWND dialog);

// Moves the banner control to `area` (the parent's client coordinates) and
// gives it the artwork of the "PNG" resources `ids` (one picture at several
// sizes) scaled to cover the area. False when nothing could be drawn.
bool ShowBanner(HWND control, const int* ids, std::size_t count, const RECT& area);

// Takes the drawn banner back from the control and deletes it.
void ReleaseBanner(HWND control);
