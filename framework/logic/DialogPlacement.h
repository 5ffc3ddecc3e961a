// Where a modal dialog opens: centred over its owner, or over the work area
// when the owner cannot be seen, and never beyond the work area's edges.
#pragma once

namespace fw {

struct ScreenRect {
    int left;
    int top;
    int right;
    int bottom;
};

struct ScreenPoint {
    int x;
    int y;
};

// Top-left corner for a dialog of the given size; owner null: no visible owner.
ScreenPoint CenteredPosition(int width, int height, const ScreenRect* owner,
                             const ScreenRect& workArea);

}  // namespace fw
