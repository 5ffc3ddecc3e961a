#include "framework/Window.h"

namespace fw {
namespace {

struct OwnedSearch {
    HWND owner;
    HWND found;
};

BOOL CALLBACK FindOwned(HWND hwnd, LPARAM lp) {
    auto* search = reinterpret_cast<OwnedSearch*>(lp);
    if (::GetWindow(hwnd, GW_OWNER) != search->owner || !::IsWindowVisible(hwnd)) return TRUE;
    search->found = hwnd;
    return FALSE;
}

}  // namespace

std::wstring Window::GetText(HWND hwnd) {
    const int length = ::GetWindowTextLengthW(hwnd);
    if (length <= 0) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = ::GetWindowTextW(hwnd, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

HWND Window::TopLevelOf(HWND hwnd) {
    HWND top = hwnd;
    for (HWND parent = ::GetParent(top); parent; parent = ::GetParent(top)) top = parent;
    return top;
}

HWND Window::OwnedPopupOf(HWND owner) {
    OwnedSearch search{owner, nullptr};
    ::EnumThreadWindows(::GetWindowThreadProcessId(owner, nullptr), &FindOwned,
                        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND Window::FrontPopupOf(HWND owner) {
    for (HWND popup = OwnedPopupOf(owner); popup; popup = OwnedPopupOf(owner)) owner = popup;
    return owner;
}

}  // namespace fw
