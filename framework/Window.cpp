#include "framework/Window.h"

namespace fw {

std::string Window::GetText(HWND hwnd) {
    const int length = ::GetWindowTextLengthA(hwnd);
    if (length <= 0) return {};
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const int copied = ::GetWindowTextA(hwnd, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

HWND Window::TopLevelOf(HWND hwnd) {
    HWND top = hwnd;
    for (HWND parent = ::GetParent(top); parent; parent = ::GetParent(top)) top = parent;
    return top;
}

}  // namespace fw
