// The key library's own logic: the key file format (what is written reads back, and every kind
// of damage is refused by name), the plugged-in set's text, slots, plug ids and salvage, the
// registered thumbprints' list, the names of temporary files, the text rules, and passwords
// kept in buffers of their own that are wiped.
#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <tuple>
#include <vector>

#include "keylib/dll/logic/Crc32.h"
#include "keylib/dll/logic/KeyFile.h"
#include "keylib/dll/logic/StoreCaches.h"
#include "keylib/dll/logic/PluggedSet.h"
#include "keylib/dll/logic/SecretText.h"
#include "keylib/dll/logic/TempNames.h"
#include "keylib/dll/logic/TextRules.h"
#include "keylib/dll/logic/Thumbprints.h"

namespace keylib {
namespace {

TEST(KeyFileTest, WrittenRecordReadsBackIdenticallyAndDamageIsRefusedByName) {
    KeyRecord in;
    in.label = "\xD1\xDD\xCA\xBEUsbKey";  // GBK
    in.maxTries = 6;
    in.triesLeft = 4;
    in.initialPassword = true;
    in.password.iterations = 10000;
    in.containers[0] = {"both", {{{0x30, 0x01, 0x00}, {0x30, 0x00}}}};
    in.files = {{kLaunchFileId, {'h', 't'}}, {0x0001, {}}};
    const std::vector<uint8_t> good = serializeKeyFile(in);
    KeyRecord out;
    ASSERT_EQ(parseKeyFile(good.data(), good.size(), out), ParseResult::Ok);
    EXPECT_EQ(serializeKeyFile(out), good);
    EXPECT_EQ(out.containers[0].certificates, in.containers[0].certificates);
    EXPECT_EQ(out.label + (out.initialPassword ? " initial" : ""), in.label + " initial");

    const size_t iterations = 16 + 7 + 10 + kSaltSize, derLength = iterations + 4 + kHashSize + 5;
    // The byte at an offset flipped, the file grown by one byte, length and checksum made right.
    const std::tuple<ParseResult, size_t, uint8_t, bool, bool> cases[] = {
        {ParseResult::BadMagic, 0, 'X' ^ 'Q', false, false},
        {ParseResult::BadVersion, 4, 3, false, false},
        {ParseResult::BadField, 6, 2, false, false},  // an unknown flag
        {ParseResult::BadChecksum, 40, 1, false, false},
        {ParseResult::BadLength, 0, 0, true, false},
        {ParseResult::TrailingBytes, 0, 0, true, true},
        {ParseResult::Truncated, derLength, 0x80, false, true},
        {ParseResult::BadField, 21, 4 ^ 7, false, true},        // more tries left than tries
        {ParseResult::BadField, 24, 0xDD ^ 0x7F, false, true},  // label not GBK
        {ParseResult::BadField, iterations + 2, 0x10, false, true},
        {ParseResult::BadField, derLength - 1, 'h' ^ 1, false, true}};  // name "bot\1"
    for (const auto& [expected, at, flip, grow, reseal] : cases) {
        std::vector<uint8_t> bytes = good;
        if (grow) bytes.push_back(0);
        bytes[at] ^= flip;
        const uint32_t crc = crc32(bytes.data() + 16, bytes.size() - 16);
        for (int i = 0; reseal && i < 4; ++i) {
            bytes[8 + i] = static_cast<uint8_t>(bytes.size() >> (8 * i));
            bytes[12 + i] = static_cast<uint8_t>(crc >> (8 * i));
        }
        out.label = "untouched";
        EXPECT_EQ(parseKeyFile(bytes.data(), bytes.size(), out), expected) << at;
        EXPECT_EQ(out.label, "untouched");
    }
    for (size_t size = 0; size < good.size(); ++size) {
        EXPECT_NE(parseKeyFile(good.data(), size, out), ParseResult::Ok) << size;
    }
}

TEST(PluggedSetTest, TextRoundTripsSlotsAreFreshAndNonzeroAndMalformedTextIsRefusedOrSalvaged) {
    PluggedSet set;
    // CRLF from an editor; a line written before plug ids existed reads as id 0.
    ASSERT_TRUE(parsePluggedSet("next 9\r\n7 b 00000000000000ff\r\n3 a\r\n", set));
    EXPECT_EQ(formatPluggedSet(set), "next 9\n7 b 00000000000000ff\n3 a 0000000000000000\n");
    ASSERT_TRUE(parsePluggedSet("", set));
    EXPECT_EQ(formatPluggedSet(set), "next 1\n");
    set = {0xFFFFFFFFu, {{1, "k0", 7}}};
    uint32_t slot = 0;
    for (int i = 1; i < 256; ++i) {
        ASSERT_EQ(plugKey(set, "k" + std::to_string(i), 0xA0000000u + i, slot),
                  PlugResult::Plugged);
    }
    EXPECT_EQ(std::make_pair(set.keys[1].slot, set.keys[2].slot), std::make_pair(0xFFFFFFFFu, 2u))
        << "past the largest value, skipping 0 and used slots";
    EXPECT_EQ(set.keys[2].plugId, 0xA0000002u);
    EXPECT_EQ(plugKey(set, "extra", 1, slot), PlugResult::Full);
    EXPECT_EQ(plugKey(set, "k5", 1, slot), PlugResult::AlreadyPlugged);
    EXPECT_EQ(std::make_pair(slot, set.keys[5].plugId),
              std::make_pair(set.keys[5].slot, uint64_t{0xA0000005}))
        << "a plugged key keeps its slot and id";
    EXPECT_TRUE(pullKey(set, "k0"));
    ASSERT_EQ(plugKey(set, "k0", 1, slot), PlugResult::Plugged);
    EXPECT_EQ(findSlot(set, 256)->name + (findSlot(set, 1) ? " and 1" : ""), "k0");
    const std::string full = formatPluggedSet(set);
    for (const std::string& text : std::vector<std::string>{
             "7 a\n", "next 0\n", "next x\n", "next 1\n0 a\n", "next 1\n1 a\n1 b\n",
             "next 1\n1 a\n2 a\n", "next 1\n1 ../a\n", "next 1\n1 a b\n", "next 1\n-1 a\n",
             "next 1\n4294967296 a\n", "next 1\n1\n", "next 1\n1 a 00000000000000FF\n",
             "next 1\n1 a 0ff\n", "next 1\n1 a 00000000000000ff x\n", full + "1 extra\n"}) {
        EXPECT_FALSE(parsePluggedSet(text, set)) << text.substr(0, 30);
    }
    EXPECT_TRUE(parsePluggedSet(full, set));

    // Salvage keeps every intact line and moves the counter past their slots.
    const std::string damaged =
        "garbage\n4 a 0000000000000001\n\x01\x02\n9 b\n4 c\n5 a\nnext 3\n2 d 00000000000000zz\n";
    EXPECT_EQ(salvagePluggedSet(damaged, set), 5u)
        << "garbage, binary, slot 4 taken, name a taken, bad id";
    EXPECT_EQ(formatPluggedSet(set), "next 10\n4 a 0000000000000001\n9 b 0000000000000000\n");
    EXPECT_EQ(salvagePluggedSet("next 20\n3 a\n", set), 0u);
    EXPECT_EQ(set.nextSlot, 20u) << "a readable counter ahead of the slots stays";
    EXPECT_EQ(salvagePluggedSet("", set), 0u);
    EXPECT_EQ(formatPluggedSet(set), "next 1\n");
    std::string many;
    for (int i = 1; i <= 300; ++i) many += std::to_string(i) + " k" + std::to_string(i) + "\n";
    EXPECT_EQ(salvagePluggedSet(many, set), 44u);
    EXPECT_EQ(set.keys.size(), kMaxPlugged);
}

TEST(StoreCacheTest, AKeptListOrKeyIsFoundOnlyForItsPathUnderTheSameStamp) {
    PluggedListCache cache;
    const PluggedSet kept{5, {{3, "a", 9}}};
    PluggedSet found;
    const ListStamp stamp{7, true, 40, 1000};
    EXPECT_FALSE(cache.find(L"C:\\s", stamp, found));
    cache.keep(L"C:\\s", stamp, kept);
    ASSERT_TRUE(cache.find(L"C:\\s", stamp, found));
    EXPECT_EQ(formatPluggedSet(found), formatPluggedSet(kept));
    const ListStamp changed[] = {
        {8, true, 40, 1000}, {7, true, 41, 1000}, {7, true, 40, 1001}, {7, false, 40, 1000}};
    for (const ListStamp& other : changed) EXPECT_FALSE(cache.find(L"C:\\s", other, found));
    EXPECT_FALSE(cache.find(L"C:\\t", stamp, found)) << "another store";
    cache.keep(L"C:\\s", ListStamp{7, false, 0, 0}, PluggedSet{});
    EXPECT_TRUE(cache.find(L"C:\\s", ListStamp{7, false, 12, 34}, found))
        << "no file: size and time do not count";
    cache.forget();
    EXPECT_FALSE(cache.find(L"C:\\s", ListStamp{7, false, 0, 0}, found));

    // Key files alike, by path, and a full cache starts again.
    KeyRecordCache keys;
    KeyRecord record, got;
    record.label = "k";
    keys.keep(L"C:\\s\\k.key", stamp, record);
    ASSERT_TRUE(keys.find(L"C:\\s\\k.key", stamp, got));
    EXPECT_EQ(got.label, "k");
    for (const ListStamp& other : changed) EXPECT_FALSE(keys.find(L"C:\\s\\k.key", other, got));
    for (size_t i = 0; i < KeyRecordCache::kMostKept; ++i) {
        keys.keep(L"C:\\s\\" + std::to_wstring(i), stamp, record);
    }
    EXPECT_FALSE(keys.find(L"C:\\s\\k.key", stamp, got));
    EXPECT_TRUE(keys.find(L"C:\\s\\255", stamp, got));
}

TEST(TextRulesTest, GbkTextLabelsAndNamesWithinTheirLimitsAndTemporaryNames) {
    const auto check = [](bool (*rule)(const std::string&), std::vector<std::string> valid,
                          std::vector<std::string> invalid) {
        for (const std::string& text : valid) EXPECT_TRUE(rule(text)) << text;
        for (const std::string& text : invalid) EXPECT_FALSE(rule(text)) << text;
    };
    check(isValidGbkText, {"", "Plain 1\xD1\xDD\x81\x40\xFE\xFE"},  // the range's corners
          {std::string("nul\0", 4), "ab\xD1", "\xD1\x7F", "\xD1\x3F", "\x80\x40", "\xFF\x40",
           "tab\t"});
    check(isValidLabel, {std::string(15, 'a')}, {std::string(16, 'a'), std::string(15, '\xD1')});
    check(isValidContainerName, {std::string(127, 'c')}, {std::string(128, 'c'), ""});
    check(isValidKeyName, {"Key_2.b-c", std::string(64, 'k')},
          {std::string(65, 'k'), "", ".hidden", "..", "a\\b", "a/b", "a b", "c:x"});
    // A writer's leftovers are recognised, and no key or list is taken for one.
    check(isTemporaryName,
          {temporaryName("k.key", 4242, 17), temporaryName("plugged.txt", 4242, 17),
           temporaryName("a.tmp1.key", 4242, 17)},
          {"a.tmp1-2.key", "plugged.txt", "store.lock", ".tmp1-2", "k.key.tmp-2", "k.key.tmp1-",
           "k.key.tmp1-2x", "k.tmp"});
}

TEST(ThumbprintsTest, ListRoundTripsAndDamagedLinesCostOnlyThemselves) {
    const std::string text =
        "AB01010101010101010101010101010101010101\n"
        "00FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF\n";
    const std::vector<Thumbprint> list = parseThumbprints(text);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(std::make_tuple(list[0][0], list[0][19], list[1][0], list[1][1]),
              std::make_tuple(0xAB, 0x01, 0x00, 0xFF));
    EXPECT_EQ(formatThumbprints(list), text);
    // Lower case, CRLF and no final line break are read; wrong lengths and digits are not.
    const std::string mixed =
        "ab01010101010101010101010101010101010101\r\n"
        "AB0101010101010101010101010101010101010\n"
        "AB010101010101010101010101010101010101010\n"
        "\n"
        "GG01010101010101010101010101010101010101\n"
        "00ffffffffffffffffffffffffffffffffffffff";
    EXPECT_EQ(parseThumbprints(mixed), list);
}

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
