// The plugged-in set: its text form, plug order and slot numbering.
#include "keylib/dll/logic/PluggedSet.h"

#include <gtest/gtest.h>

namespace keylib {
namespace {

TEST(PluggedSetTest, TextRoundTripKeepsOrderAndNextSlot) {
    PluggedSet set;
    ASSERT_TRUE(parsePluggedSet("next 9\n7 b\n3 a\n", set));
    EXPECT_EQ(set.nextSlot, 9u);
    ASSERT_EQ(set.keys.size(), 2u);
    EXPECT_EQ(set.keys[0].slot, 7u);
    EXPECT_EQ(set.keys[0].name, "b");
    EXPECT_EQ(formatPluggedSet(set), "next 9\n7 b\n3 a\n");
    ASSERT_TRUE(parsePluggedSet("next 2\r\n1 a\r\n", set)) << "CRLF from a Windows editor";
    EXPECT_EQ(set.keys[0].name, "a");
}

TEST(PluggedSetTest, EmptyTextIsTheEmptySet) {
    PluggedSet set;
    set.keys.push_back({5, "x"});
    ASSERT_TRUE(parsePluggedSet("", set));
    EXPECT_TRUE(set.keys.empty());
    EXPECT_EQ(set.nextSlot, 1u);
}

TEST(PluggedSetTest, MalformedTextIsRefused) {
    PluggedSet set;
    for (const char* text : {"7 a\n", "next 0\n", "next x\n", "next 1\n0 a\n", "next 1\n1 a\n1 b\n",
                             "next 1\n1 a\n2 a\n", "next 1\n1 ../a\n", "next 1\n1 a b\n",
                             "next 1\n-1 a\n", "next 1\n4294967296 a\n", "next 1\n1\n"}) {
        EXPECT_FALSE(parsePluggedSet(text, set)) << text;
    }
    std::string full = "next 1\n";
    for (int i = 1; i <= 257; ++i) full += std::to_string(i) + " k" + std::to_string(i) + "\n";
    EXPECT_FALSE(parsePluggedSet(full, set)) << "more than 256 keys";
}

TEST(PluggedSetTest, PluggingAppendsWithFreshSlotsAndPullingRemoves) {
    PluggedSet set;
    uint32_t a = 0, b = 0, again = 0;
    EXPECT_EQ(plugKey(set, "a", a), PlugResult::Plugged);
    EXPECT_EQ(plugKey(set, "b", b), PlugResult::Plugged);
    EXPECT_EQ(a, 1u);
    EXPECT_EQ(b, 2u);
    EXPECT_EQ(plugKey(set, "a", again), PlugResult::AlreadyPlugged);
    EXPECT_EQ(again, a);
    EXPECT_TRUE(pullKey(set, "a"));
    EXPECT_FALSE(pullKey(set, "a"));
    EXPECT_EQ(plugKey(set, "a", again), PlugResult::Plugged);
    EXPECT_EQ(again, 3u) << "not the pulled key's old slot";
    EXPECT_EQ(set.keys.back().name, "a");
    EXPECT_EQ(findSlot(set, 2)->name, "b");
    EXPECT_EQ(findSlot(set, 1), nullptr);
    EXPECT_EQ(findName(set, "b")->slot, 2u);
}

TEST(PluggedSetTest, SlotCounterWrapsPastTheLargestValueAndSkipsZeroAndUsedSlots) {
    PluggedSet set;
    set.nextSlot = 0xFFFFFFFFu;
    set.keys.push_back({1, "one"});
    uint32_t slot = 0;
    ASSERT_EQ(plugKey(set, "last", slot), PlugResult::Plugged);
    EXPECT_EQ(slot, 0xFFFFFFFFu);
    ASSERT_EQ(plugKey(set, "wrapped", slot), PlugResult::Plugged);
    EXPECT_EQ(slot, 2u);
}

TEST(PluggedSetTest, At256KeysTheSetIsFull) {
    PluggedSet set;
    uint32_t slot = 0;
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(plugKey(set, "k" + std::to_string(i), slot), PlugResult::Plugged);
    }
    EXPECT_EQ(plugKey(set, "extra", slot), PlugResult::Full);
    EXPECT_EQ(set.keys.size(), 256u);
    PluggedSet reread;
    EXPECT_TRUE(parsePluggedSet(formatPluggedSet(set), reread));
}

}  // namespace
}  // namespace keylib
