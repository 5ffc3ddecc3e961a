#include "framework/DialogKeyboard.h"

#include "framework/logic/TabOrder.h"

static_assert(fw::kVkTab == VK_TAB);
static_assert(fw::kVkPageUp == VK_PRIOR);
static_assert(fw::kVkPageDown == VK_NEXT);

namespace fw {
namespace {

HWND AsHandle(WindowId id) { return reinterpret_cast<HWND>(id); }
WindowId AsId(HWND hwnd) { return reinterpret_cast<WindowId>(hwnd); }

class WindowTabTree : public TabTree {
public:
    WindowId FirstChild(WindowId window) const override {
        return AsId(::GetWindow(AsHandle(window), GW_CHILD));
    }
    WindowId NextSibling(WindowId window) const override {
        return AsId(::GetWindow(AsHandle(window), GW_HWNDNEXT));
    }
    WindowId Parent(WindowId window) const override {
        const HWND hwnd = AsHandle(window);
        return (::GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD) ? AsId(::GetParent(hwnd)) : 0;
    }
    TabWindowState State(WindowId window) const override {
        const HWND hwnd = AsHandle(window);
        const LONG style = ::GetWindowLongW(hwnd, GWL_STYLE);
        const LONG exStyle = ::GetWindowLongW(hwnd, GWL_EXSTYLE);
        return {(style & WS_VISIBLE) != 0, (style & WS_DISABLED) == 0, (style & WS_TABSTOP) != 0,
                (exStyle & WS_EX_CONTROLPARENT) != 0};
    }
};

bool Down(int virtualKey) { return ::GetKeyState(virtualKey) < 0; }

}  // namespace

DialogKey DialogKeyOf(const MSG& msg) {
    if (msg.message != WM_KEYDOWN) return DialogKey::None;
    return ClassifyDialogKey(static_cast<std::uint32_t>(msg.wParam), Down(VK_CONTROL),
                             Down(VK_SHIFT), Down(VK_MENU));
}

HWND NextDlgTabStop(HWND root, HWND current, bool backwards) {
    return AsHandle(NextTabStop(WindowTabTree(), AsId(root), AsId(current), backwards));
}

}  // namespace fw
