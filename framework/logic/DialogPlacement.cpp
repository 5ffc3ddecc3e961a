#include "framework/logic/DialogPlacement.h"

#include <algorithm>

namespace fw {
namespace {

// A dialog larger than the work area keeps its top-left corner on it.
int Within(int start, int size, int low, int high) {
    return std::max(low, std::min(start, high - size));
}

}  // namespace

ScreenPoint CenteredPosition(int width, int height, const ScreenRect* owner,
                             const ScreenRect& workArea) {
    const ScreenRect& over = owner ? *owner : workArea;
    const int x = over.left + (over.right - over.left - width) / 2;
    const int y = over.top + (over.bottom - over.top - height) / 2;
    return {Within(x, width, workArea.left, workArea.right),
            Within(y, height, workArea.top, workArea.bottom)};
}

}  // namespace fw
