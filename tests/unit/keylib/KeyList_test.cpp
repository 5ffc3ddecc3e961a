#include "keylib/logic/KeyList.h"

#include "keylib/logic/SlotTable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

namespace keytool {
namespace {

// Labels by slot; a slot without one fails to read. A label of 100 bytes or
// more is written without a terminator, filling the buffer.
class FakeLabels : public LabelReader {
public:
    std::map<std::uint32_t, std::string> labels;
    std::vector<std::uint32_t> asked;

    std::uint32_t ReadLabel(std::uint32_t slot, char* buffer) override {
        asked.push_back(slot);
        auto found = labels.find(slot);
        if (found == labels.end()) return 0xA0420001;
        std::memcpy(buffer, found->second.c_str(),
                    std::min(found->second.size() + 1, kLabelBufferSize));
        return 0;
    }
};

TEST(KeyList, NoKeyDisablesThePagesWithNoSlot) {
    FakeLabels labels;
    const KeyList list = BuildKeyList(nullptr, 0, labels);
    EXPECT_TRUE(list.items.empty());
    EXPECT_FALSE(list.pagesEnabled);
    EXPECT_EQ(list.currentSlot, 0u);
}

TEST(KeyList, KeysAppearInLibraryOrderAndTheFirstIsCurrent) {
    FakeLabels labels;
    labels.labels = {{9, "第一"}, {4, "second"}};
    const std::uint32_t slots[] = {9, 4};
    const KeyList list = BuildKeyList(slots, 2, labels);
    ASSERT_EQ(list.items.size(), 2u);
    EXPECT_EQ(list.items[0].label, "第一");
    EXPECT_EQ(list.items[0].slot, 9u);
    EXPECT_EQ(list.items[1].label, "second");
    EXPECT_EQ(list.currentSlot, 9u);
    EXPECT_TRUE(list.pagesEnabled);
}

TEST(KeyList, UnreadableLabelsLeaveNoGap) {
    FakeLabels labels;
    labels.labels = {{5, "B"}};
    const std::uint32_t slots[] = {3, 5};
    const KeyList list = BuildKeyList(slots, 2, labels);
    ASSERT_EQ(list.items.size(), 1u);
    EXPECT_EQ(list.items[0].slot, 5u);
    EXPECT_EQ(list.currentSlot, 5u);
    EXPECT_EQ(labels.asked, (std::vector<std::uint32_t>{3, 5}));
}

TEST(KeyList, KeysWithoutAnyReadableLabelKeepThePagesOnButNoSlot) {
    FakeLabels labels;
    const std::uint32_t slots[] = {3, 5};
    const KeyList list = BuildKeyList(slots, 2, labels);
    EXPECT_TRUE(list.items.empty());
    EXPECT_TRUE(list.pagesEnabled);
    EXPECT_EQ(list.currentSlot, 0u);
}

TEST(KeyList, UnterminatedLabelIsCutInsideTheBuffer) {
    FakeLabels labels;
    labels.labels = {{1, std::string(150, 'L')}};
    const std::uint32_t slots[] = {1};
    const KeyList list = BuildKeyList(slots, 1, labels);
    ASSERT_EQ(list.items.size(), 1u);
    EXPECT_EQ(list.items[0].label, std::string(99, 'L'));

    const char full[kLabelBufferSize + 1] = {};
    EXPECT_EQ(BoundedLabel(full), "");
}

TEST(KeyList, ACountBeyondTheTableIsReadOnlyUpToItsSize) {
    FakeLabels labels;
    std::vector<std::uint32_t> slots(kMaxSlots);
    for (std::uint32_t i = 0; i < kMaxSlots; ++i) {
        slots[i] = i + 1;
        labels.labels[i + 1] = "k";
    }
    const KeyList list = BuildKeyList(slots.data(), 1000, labels);
    EXPECT_EQ(list.items.size(), kMaxSlots);
    EXPECT_EQ(labels.asked.size(), kMaxSlots);
}

}  // namespace
}  // namespace keytool
