// Listing plugged-in keys, their status and label, and the library's identity.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>

#include "keylib/KeyLib.h"
#include "keylib/dll/KeyStore.h"
#include "keylib/dll/logic/KeyStatus.h"
#include "tests/keylib/support/StoreFixture.h"

namespace keylibtest {
namespace {

using SlotTest = StoreTest;

std::vector<uint32_t> slotList() {
    uint32_t slots[KEYLIB_MAX_SLOTS] = {};
    uint32_t count = 0xDEAD;
    EXPECT_EQ(CSP_GetSlotList(slots, &count), KEYLIB_OK);
    return std::vector<uint32_t>(slots, slots + (count <= KEYLIB_MAX_SLOTS ? count : 0));
}

TEST_F(SlotTest, EmptyStoreListsNoKeyAndIsCreatedOnDemand) {
    uint32_t count = 0xDEAD;
    EXPECT_EQ(CSP_GetSlotList(nullptr, &count), KEYLIB_OK);
    EXPECT_EQ(count, 0u);
    EXPECT_NE(GetFileAttributesA(folder().c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(SlotTest, KeysAreListedInPlugOrderWithStableNonzeroSlots) {
    const uint32_t b = makePluggedKey("b", "Bravo");
    const uint32_t a = makePluggedKey("a", "Alpha");
    const uint32_t c = makePluggedKey("c", "Charlie");
    EXPECT_NE(a, 0u);
    EXPECT_EQ(slotList(), (std::vector<uint32_t>{b, a, c}));

    uint32_t count = 0;
    EXPECT_EQ(CSP_GetSlotList(nullptr, &count), KEYLIB_OK);
    EXPECT_EQ(count, 3u);

    pull("a");
    EXPECT_EQ(slotList(), (std::vector<uint32_t>{b, c}));
    const uint32_t again = plug("a");
    EXPECT_NE(again, a) << "a re-plugged key is a new slot";
    EXPECT_EQ(slotList(), (std::vector<uint32_t>{b, c, again}));
}

TEST_F(SlotTest, FullSlotListFillsExactly256Entries) {
    keylib::PluggedSet set;
    for (int i = 0; i < 256; ++i) {
        uint32_t slot = 0;
        ASSERT_EQ(keylib::plugKey(set, "k" + std::to_string(i), slot), keylib::PlugResult::Plugged);
    }
    keylib::KeyStore store;
    ASSERT_EQ(store.open(), KEYLIB_OK);
    ASSERT_EQ(store.writePlugged(set), KEYLIB_OK);

    uint32_t slots[KEYLIB_MAX_SLOTS + 1];
    std::memset(slots, 0xAB, sizeof slots);
    uint32_t count = 0;
    EXPECT_EQ(CSP_GetSlotList(slots, &count), KEYLIB_OK);
    EXPECT_EQ(count, 256u);
    EXPECT_EQ(slots[255], set.keys[255].slot);
    EXPECT_EQ(slots[256], 0xABABABABu) << "written past 256 slots";
}

TEST_F(SlotTest, StatusAndLabelComeFromTheKey) {
    keylib::KeyRecord record = newRecord("演示UsbKey");
    record.status = 4;
    writeKey("k", record);
    const uint32_t slot = plug("k");

    uint32_t status = 0;
    EXPECT_EQ(CSP_GetSlotStatus(slot, &status), KEYLIB_OK);
    EXPECT_EQ(status, 4u);
    char label[KEYLIB_LABEL_BUF];
    std::memset(label, 'x', sizeof label);
    EXPECT_EQ(CSP_GetUsbKeyLabel(slot, label), KEYLIB_OK);
    EXPECT_STREQ(label, "演示UsbKey");
    EXPECT_EQ(label[std::strlen("演示UsbKey") + 1], 'x') << "wrote beyond label and NUL";
}

TEST_F(SlotTest, LabelChangeNeedsVerifiedPasswordUnlessStatusIsFour) {
    const uint32_t slot = makePluggedKey("k", "Old");
    EXPECT_EQ(CSP_SetUsbKeyLabel(slot, "New"), KEYLIB_SW_NOT_VERIFIED);
    ASSERT_EQ(CSP_VerifyPassword(slot, 1, kPassword), KEYLIB_OK);
    EXPECT_EQ(CSP_SetUsbKeyLabel(slot, "新标签"), KEYLIB_OK);
    EXPECT_EQ(readKey("k").label, "新标签");

    CSP_Reset(slot);
    EXPECT_EQ(CSP_SetUsbKeyLabel(slot, "Again"), KEYLIB_SW_NOT_VERIFIED);

    keylib::KeyRecord record = readKey("k");
    record.status = 4;
    writeKey("k", record);
    EXPECT_EQ(CSP_SetUsbKeyLabel(slot, "Free"), KEYLIB_OK);
    EXPECT_EQ(readKey("k").label, "Free");
}

TEST_F(SlotTest, LabelOutsideOneToFifteenBytesIsRefusedAndNotStored) {
    keylib::KeyRecord record = newRecord("Keep");
    record.status = 4;
    writeKey("k", record);
    const uint32_t slot = plug("k");

    EXPECT_EQ(CSP_SetUsbKeyLabel(slot, ""), KEYLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(CSP_SetUsbKeyLabel(slot, "0123456789abcdef"), KEYLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(CSP_SetUsbKeyLabel(slot, "\x01\x02"), KEYLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(CSP_SetUsbKeyLabel(slot, nullptr), KEYLIB_E_BAD_ARGUMENT);
    // 15 bytes: seven GBK characters and one ASCII.
    EXPECT_EQ(CSP_SetUsbKeyLabel(slot, "一二三四五六七A"), KEYLIB_OK);
    EXPECT_EQ(CSP_SetUsbKeyLabel(slot, "一二三四五六七八"), KEYLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(readKey("k").label, "一二三四五六七A");
}

TEST_F(SlotTest, UnknownAndPulledSlotsAreRefused) {
    const uint32_t slot = makePluggedKey("k", "Key");
    uint32_t status = 0;
    char label[KEYLIB_LABEL_BUF] = {};
    EXPECT_EQ(CSP_GetSlotStatus(0, &status), KEYLIB_E_BAD_SLOT);
    EXPECT_EQ(CSP_GetSlotStatus(slot + 1000, &status), KEYLIB_E_BAD_SLOT);
    pull("k");
    EXPECT_EQ(CSP_GetSlotStatus(slot, &status), KEYLIB_E_BAD_SLOT);
    EXPECT_EQ(CSP_GetUsbKeyLabel(slot, label), KEYLIB_E_BAD_SLOT);
    EXPECT_EQ(label[0], '\0');
}

TEST_F(SlotTest, NullOutputsAreRefused) {
    const uint32_t slot = makePluggedKey("k", "Key");
    EXPECT_EQ(CSP_GetSlotList(nullptr, nullptr), KEYLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(CSP_GetSlotStatus(slot, nullptr), KEYLIB_E_BAD_ARGUMENT);
    EXPECT_EQ(CSP_GetUsbKeyLabel(slot, nullptr), KEYLIB_E_BAD_ARGUMENT);
}

TEST(DefaultStoreTest, WithoutKeylibStoreTheStoreIsInLocalAppData) {
    ASSERT_TRUE(SetEnvironmentVariableA("KEYLIB_STORE", nullptr));
    uint32_t count = 0;
    EXPECT_EQ(CSP_GetSlotList(nullptr, &count), KEYLIB_OK);
    char local[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, local)));
    const std::string folder = std::string(local) + "\\QelmoraKeys";
    EXPECT_NE(GetFileAttributesA(folder.c_str()), INVALID_FILE_ATTRIBUTES) << folder;
}

TEST_F(SlotTest, OverlongStoreFolderIsAStoreErrorNotTheDefaultStore) {
    const std::string tooLong = folder() + "\\" + std::string(300, 'x');
    ASSERT_TRUE(SetEnvironmentVariableA("KEYLIB_STORE", tooLong.c_str()));
    uint32_t count = 7;
    EXPECT_EQ(CSP_GetSlotList(nullptr, &count), KEYLIB_E_STORE);
    EXPECT_EQ(count, 0u);
}

TEST(InstanceTagTest, IsTheSameNonzeroValueOnEveryCall) {
    const uint32_t tag = CSP_GetInstanceTag(0, 0);
    EXPECT_NE(tag, 0u);
    EXPECT_EQ(CSP_GetInstanceTag(0, 0), tag);
    // A second copy of the library in this process stands for another process.
    char path[MAX_PATH] = {};
    GetModuleFileNameA(GetModuleHandleA("DravikFun_tovex.dll"), path, MAX_PATH);
    const std::string copy = std::string(path) + ".copy.dll";
    ASSERT_TRUE(CopyFileA(path, copy.c_str(), FALSE));
    HMODULE other = LoadLibraryA(copy.c_str());
    ASSERT_NE(other, nullptr);
    using TagFn = uint32_t(__stdcall*)(uint32_t, uint32_t);
    auto otherTag = reinterpret_cast<TagFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(other, MAKEINTRESOURCEA(1))));
    ASSERT_NE(otherTag, nullptr);
    EXPECT_EQ(otherTag(0, 0), tag);
    FreeLibrary(other);
    DeleteFileA(copy.c_str());
}

}  // namespace
}  // namespace keylibtest
