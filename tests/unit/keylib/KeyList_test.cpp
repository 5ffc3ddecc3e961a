#include "keylib/logic/KeyList.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>

#include "keylib/logic/SlotTable.h"
#include "tests/unit/FakeKeyLibrary.h"

namespace keytool {
namespace {

TEST(KeyList, ItemsFollowTheLibraryWithoutGapsAndTheFirstReadableKeyIsCurrent) {
    const struct {
        std::vector<std::uint32_t> slots;
        std::map<std::uint32_t, std::string> labels;
        std::vector<std::string> items;
        std::uint32_t current;
        bool enabled;
    } cases[] = {
        {{}, {}, {}, 0, false},
        {{9, 4}, {{9, "第一"}, {4, "second"}}, {"第一", "second"}, 9, true},
        {{3, 5}, {{5, "B"}}, {"B"}, 5, true},
        {{3, 5}, {}, {}, 0, true},  // keys reported, none readable: pages on, no slot
        {{1}, {{1, std::string(150, 'L')}}, {std::string(99, 'L')}, 1, true},
    };
    for (const auto& c : cases) {
        FakeKeyLibrary labels;
        for (const auto& [slot, label] : c.labels) labels.keys[slot].label = label;
        const KeyList list =
            BuildKeyList(c.slots.data(), static_cast<std::uint32_t>(c.slots.size()), labels);
        std::vector<std::string> items;
        for (const auto& item : list.items) items.push_back(item.label);
        EXPECT_EQ(std::tie(items, list.currentSlot, list.pagesEnabled),
                  std::tie(c.items, c.current, c.enabled));
    }
}

TEST(KeyList, ACountBeyondTheTableIsReadOnlyUpToItsSize) {
    FakeKeyLibrary labels;
    std::vector<std::uint32_t> slots(kMaxSlots, 7);
    labels.keys[7].label = "k";
    EXPECT_EQ(BuildKeyList(slots.data(), 1000, labels).items.size(), kMaxSlots);
    EXPECT_EQ(labels.calls, static_cast<int>(kMaxSlots));
}

}  // namespace
}  // namespace keytool
