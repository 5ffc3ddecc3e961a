#include "framework/logic/TabOrder.h"

#include <cstddef>
#include <vector>

namespace fw {
namespace {

struct Reached {
    WindowId window;
    bool stop;
};

// Every window the walk reaches, in walking order. Hidden or disabled windows
// are reached (focus may sit in them) but neither stop nor open their children.
void Collect(const TabTree& tree, WindowId parent, std::vector<Reached>& order) {
    for (WindowId child = tree.FirstChild(parent); child; child = tree.NextSibling(child)) {
        const TabWindowState state = tree.State(child);
        const bool usable = state.visible && state.enabled;
        order.push_back({child, usable && state.tabStop});
        if (usable && state.controlParent) Collect(tree, child, order);
    }
}

constexpr std::size_t kNowhere = static_cast<std::size_t>(-1);

std::size_t PositionOf(const TabTree& tree, WindowId root, WindowId current,
                       const std::vector<Reached>& order) {
    for (WindowId window = current; window && window != root; window = tree.Parent(window)) {
        for (std::size_t i = 0; i < order.size(); ++i) {
            if (order[i].window == window) return i;
        }
    }
    return kNowhere;
}

}  // namespace

WindowId NextTabStop(const TabTree& tree, WindowId root, WindowId current, bool backwards) {
    std::vector<Reached> order;
    Collect(tree, root, order);
    const std::size_t count = order.size();
    const std::size_t at = PositionOf(tree, root, current, order);
    for (std::size_t step = 1; step <= count; ++step) {
        std::size_t i;
        if (at == kNowhere) {
            i = backwards ? count - step : step - 1;
        } else {
            i = backwards ? (at + count - step) % count : (at + step) % count;
        }
        if (order[i].stop) return order[i].window;
    }
    return 0;
}

}  // namespace fw
