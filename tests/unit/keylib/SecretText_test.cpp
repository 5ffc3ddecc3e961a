// The library's copies of passwords, into buffers of their own that are wiped.
#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <vector>

#include "keylib/dll/logic/SecretText.h"

namespace keylib {
namespace {

TEST(SecretTextTest, ReadsNoFurtherThanItsLimitAndLeavesNoByteBehind) {
    const char unterminated[4] = {'a', 'b', 'c', 'd'};
    SecretText text;
    text.assign(unterminated, 3);
    EXPECT_EQ(std::string(text.data(), text.size()), "abc");
    text.assign(std::string(100, 'x').c_str(), 100);
    EXPECT_EQ(text.size(), SecretText::kCapacity) << "cut at the capacity";

    SecretText other;
    std::strcpy(other.buffer(), "pass-word-1");
    other.settle();
    text.take(other);
    EXPECT_TRUE(text.size() == 11 && std::memcmp(text.data(), "pass-word-1", 11) == 0);
    EXPECT_EQ(other.size(), 0u);
    SecretText same;
    same.assign("pass-word-1", 16);
    EXPECT_TRUE(text.equals(same));
    same.assign("pass-word-2", 16);
    EXPECT_FALSE(text.equals(same));

    // Every byte of the storage, including those past a shorter text, is cleared on the way out.
    alignas(SecretText) unsigned char storage[sizeof(SecretText)];
    auto* placed = new (storage) SecretText;
    placed->assign(std::string(SecretText::kCapacity, 'p').c_str(), SecretText::kCapacity);
    placed->assign("short", 5);
    placed->~SecretText();
    EXPECT_EQ(std::vector<unsigned char>(storage, storage + sizeof storage),
              std::vector<unsigned char>(sizeof storage, 0));
}

}  // namespace
}  // namespace keylib
