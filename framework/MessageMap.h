// Message maps: per dialog class, a table of (message, notification code,
// control id, handler), chained to the base class's table. Each entry decodes
// its message once, so a handler gets what the message means.
#pragma once

#include <windows.h>

#include <cstddef>

namespace fw {

class Dialog;

// Answers true when the handler took the message; result is the window's answer.
using MessageHandler = bool (*)(Dialog& self, WPARAM wp, LPARAM lp, LRESULT& result);

struct MessageMapEntry {
    UINT message;
    UINT code;  // notification code for WM_COMMAND / WM_NOTIFY, else 0
    UINT id;    // control id for WM_COMMAND / WM_NOTIFY, else 0
    MessageHandler handler;
};

struct MessageMap {
    const MessageMap* base;
    const MessageMapEntry* entries;
    size_t count;

    template <size_t N>
    constexpr MessageMap(const MessageMap* baseMap, const MessageMapEntry (&table)[N])
        : base(baseMap), entries(table), count(N) {}
    constexpr explicit MessageMap(const MessageMap* baseMap)
        : base(baseMap), entries(nullptr), count(0) {}
};

namespace detail {
template <class T>
struct ClassOf;
template <class C, class R, class... A>
struct ClassOf<R (C::*)(A...)> {
    using type = C;
};
template <auto Fn>
using ClassOfT = typename ClassOf<decltype(Fn)>::type;

template <auto Fn>
ClassOfT<Fn>& Self(Dialog& self) {
    return static_cast<ClassOfT<Fn>&>(self);
}
}  // namespace detail

// WM_COMMAND from control id with the code: void Handler().
template <auto Fn>
constexpr MessageMapEntry OnCommand(UINT id, UINT code = BN_CLICKED) {
    return {WM_COMMAND, code, id, [](Dialog& self, WPARAM, LPARAM, LRESULT& result) {
                (detail::Self<Fn>(self).*Fn)();
                result = 0;
                return true;
            }};
}

// WM_NOTIFY from control id with the code: void Handler(NMHDR*, LRESULT*).
template <auto Fn>
constexpr MessageMapEntry OnNotify(UINT id, UINT code) {
    return {WM_NOTIFY, code, id, [](Dialog& self, WPARAM, LPARAM lp, LRESULT& result) {
                result = 0;
                (detail::Self<Fn>(self).*Fn)(reinterpret_cast<NMHDR*>(lp), &result);
                return true;
            }};
}

// A message whose parameters say nothing the handler needs: LRESULT Handler().
template <auto Fn>
constexpr MessageMapEntry On(UINT message) {
    return {message, 0, 0, [](Dialog& self, WPARAM, LPARAM, LRESULT& result) {
                result = (detail::Self<Fn>(self).*Fn)();
                return true;
            }};
}

// A message that carries one number in wParam (a show command, a text number,
// a flag): LRESULT Handler(UINT number).
template <auto Fn>
constexpr MessageMapEntry OnNumber(UINT message) {
    return {message, 0, 0, [](Dialog& self, WPARAM wp, LPARAM, LRESULT& result) {
                result = (detail::Self<Fn>(self).*Fn)(static_cast<UINT>(wp));
                return true;
            }};
}

// WM_COPYDATA: BOOL Handler(HWND from, const COPYDATASTRUCT& data); a message
// without data is answered TRUE without the handler.
template <auto Fn>
constexpr MessageMapEntry OnCopyData() {
    return {WM_COPYDATA, 0, 0, [](Dialog& self, WPARAM wp, LPARAM lp, LRESULT& result) {
                const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lp);
                result =
                    data ? (detail::Self<Fn>(self).*Fn)(reinterpret_cast<HWND>(wp), *data) : TRUE;
                return true;
            }};
}

// A notification-area icon's callback message: void Handler(UINT mouseMessage).
template <auto Fn>
constexpr MessageMapEntry OnTrayNotify(UINT message) {
    return {message, 0, 0, [](Dialog& self, WPARAM, LPARAM lp, LRESULT& result) {
                (detail::Self<Fn>(self).*Fn)(static_cast<UINT>(lp));
                result = 0;
                return true;
            }};
}

// WM_DEVICECHANGE: void Handler(UINT event); the answer is TRUE.
template <auto Fn>
constexpr MessageMapEntry OnDeviceChange() {
    return {WM_DEVICECHANGE, 0, 0, [](Dialog& self, WPARAM wp, LPARAM, LRESULT& result) {
                (detail::Self<Fn>(self).*Fn)(static_cast<UINT>(wp));
                result = TRUE;
                return true;
            }};
}

// WM_TIMER: void Handler(UINT_PTR id).
template <auto Fn>
constexpr MessageMapEntry OnTimer() {
    return {WM_TIMER, 0, 0, [](Dialog& self, WPARAM wp, LPARAM, LRESULT& result) {
                (detail::Self<Fn>(self).*Fn)(static_cast<UINT_PTR>(wp));
                result = 0;
                return true;
            }};
}

// WM_WINDOWPOSCHANGING: LRESULT Handler(WINDOWPOS& position), which may change it.
template <auto Fn>
constexpr MessageMapEntry OnWindowPosChanging() {
    return {WM_WINDOWPOSCHANGING, 0, 0, [](Dialog& self, WPARAM, LPARAM lp, LRESULT& result) {
                result = (detail::Self<Fn>(self).*Fn)(*reinterpret_cast<WINDOWPOS*>(lp));
                return true;
            }};
}

// WM_DRAWITEM: BOOL Handler(const DRAWITEMSTRUCT& item).
template <auto Fn>
constexpr MessageMapEntry OnDrawItem() {
    return {WM_DRAWITEM, 0, 0, [](Dialog& self, WPARAM, LPARAM lp, LRESULT& result) {
                result = (detail::Self<Fn>(self).*Fn)(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
                return true;
            }};
}

// WM_SYSCOMMAND: LRESULT Handler(UINT command), the command without its low four bits.
template <auto Fn>
constexpr MessageMapEntry OnSysCommand() {
    return {WM_SYSCOMMAND, 0, 0, [](Dialog& self, WPARAM wp, LPARAM, LRESULT& result) {
                result = (detail::Self<Fn>(self).*Fn)(static_cast<UINT>(wp & 0xFFF0));
                return true;
            }};
}

}  // namespace fw
