// The order in which Tab and Shift+Tab walk a dialog's windows: the visible,
// enabled tab stops in child order, with the stops inside a control parent
// (a child dialog, or a tab control holding pages) right after the parent
// itself, which is a stop of its own when it has the tab-stop style.
#pragma once

#include <cstdint>

namespace fw {

using WindowId = std::uintptr_t;  // 0: no window

struct TabWindowState {
    bool visible;
    bool enabled;
    bool tabStop;
    bool controlParent;
};

// The window tree as the walk sees it.
class TabTree {
public:
    virtual ~TabTree() = default;
    virtual WindowId FirstChild(WindowId window) const = 0;   // 0 when it has none
    virtual WindowId NextSibling(WindowId window) const = 0;  // 0 after the last
    virtual WindowId Parent(WindowId window) const = 0;       // 0 at the top
    virtual TabWindowState State(WindowId window) const = 0;
};

// The stop after current (before it when backwards) among root's windows,
// wrapping around. current may be a stop, any other window inside root (its
// nearest ancestor the walk reaches stands for it) or 0 (the walk starts at
// the first or last stop). 0 when root holds no stop it can reach.
WindowId NextTabStop(const TabTree& tree, WindowId root, WindowId current, bool backwards);

}  // namespace fw
