// Message maps: per dialog class, a table of (message, notification code,
// control id, handler), chained to the base class's table.
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
}  // namespace detail

// WM_COMMAND from control id with the code: void Handler().
template <auto Fn>
constexpr MessageMapEntry OnCommand(UINT id, UINT code = BN_CLICKED) {
    return {WM_COMMAND, code, id, [](Dialog& self, WPARAM, LPARAM, LRESULT& result) {
                (static_cast<detail::ClassOfT<Fn>&>(self).*Fn)();
                result = 0;
                return true;
            }};
}

// WM_NOTIFY from control id with the code: void Handler(NMHDR*, LRESULT*).
template <auto Fn>
constexpr MessageMapEntry OnNotify(UINT id, UINT code) {
    return {WM_NOTIFY, code, id, [](Dialog& self, WPARAM, LPARAM lp, LRESULT& result) {
                result = 0;
                (static_cast<detail::ClassOfT<Fn>&>(self).*Fn)(reinterpret_cast<NMHDR*>(lp),
                                                               &result);
                return true;
            }};
}

// Any other message: LRESULT Handler(WPARAM, LPARAM).
template <auto Fn>
constexpr MessageMapEntry OnMessage(UINT message) {
    return {message, 0, 0, [](Dialog& self, WPARAM wp, LPARAM lp, LRESULT& result) {
                result = (static_cast<detail::ClassOfT<Fn>&>(self).*Fn)(wp, lp);
                return true;
            }};
}

}  // namespace fw
