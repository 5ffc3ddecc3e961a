// Several processes and threads on one store at once: every change lands, every try counts.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "keylib/KeyLib.h"
#include "keylib/dll/logic/KeyStatus.h"
#include "tests/keylib/support/AdminProcess.h"
#include "tests/keylib/support/StoreFixture.h"

namespace keylibtest {
namespace {

using ConcurrencyTest = StoreTest;

DWORD waitAndClose(HANDLE process) {
    DWORD code = 0xFFFFFFFF;
    if (process == nullptr) return code;
    WaitForSingleObject(process, 60000);
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return code;
}

struct WrongTries {
    uint32_t slot = 0;
    uint32_t results[2] = {};
};

DWORD WINAPI tryTwiceWrong(void* param) {
    auto* work = static_cast<WrongTries*>(param);
    for (uint32_t& result : work->results) result = CSP_VerifyPassword(work->slot, 1, "wrong-pass");
    return 0;
}

TEST_F(ConcurrencyTest, AdminProcessesWritingAtOnceLoseNoChange) {
    const uint32_t slot = makePluggedKey("k", "Busy");
    std::vector<HANDLE> writers;
    for (int i = 0; i < 8; ++i) {
        // File ids are hexadecimal: 0x100 to 0x107.
        writers.push_back(
            startAdmin("file k 0x10" + std::to_string(i) + " --text value-" + std::to_string(i)));
    }
    // The library keeps reading and counting meanwhile.
    for (int i = 0; i < 20; ++i) {
        char label[KEYLIB_LABEL_BUF] = {};
        ASSERT_EQ(CSP_GetUsbKeyLabel(slot, label), KEYLIB_OK);
        ASSERT_EQ(CSP_VerifyPassword(slot, 1, kPassword), KEYLIB_OK);
    }
    for (HANDLE writer : writers) EXPECT_EQ(waitAndClose(writer), 0u);

    const keylib::KeyRecord record = readKey("k");
    ASSERT_EQ(record.files.size(), 8u);
    for (int i = 0; i < 8; ++i) {
        const auto it =
            std::find_if(record.files.begin(), record.files.end(),
                         [&](const keylib::KeyFileEntry& f) { return f.id == 0x100 + i; });
        ASSERT_NE(it, record.files.end()) << i;
        const std::string expected = "value-" + std::to_string(i);
        EXPECT_EQ(std::string(it->data.begin(), it->data.end()), expected);
    }
}

TEST_F(ConcurrencyTest, WrongTriesFromManyThreadsAreEachCountedOnce) {
    keylib::KeyRecord record = newRecord("Key");
    record.maxTries = 15;
    record.triesLeft = 15;
    writeKey("k", record);
    const uint32_t slot = plug("k");
    HANDLE labeller = startAdmin("set k --label Renamed");

    WrongTries work[4];
    HANDLE threads[4];
    for (int i = 0; i < 4; ++i) {
        work[i].slot = slot;
        threads[i] = CreateThread(nullptr, 0, tryTwiceWrong, &work[i], 0, nullptr);
        ASSERT_NE(threads[i], nullptr);
    }
    WaitForMultipleObjects(4, threads, TRUE, 60000);
    for (HANDLE t : threads) CloseHandle(t);
    EXPECT_EQ(waitAndClose(labeller), 0u);

    std::vector<uint32_t> results;
    for (const WrongTries& w : work) results.insert(results.end(), w.results, w.results + 2);
    std::sort(results.begin(), results.end());
    EXPECT_EQ(results, (std::vector<uint32_t>{0x63C7, 0x63C8, 0x63C9, 0x63CA, 0x63CB, 0x63CC,
                                              0x63CD, 0x63CE}));
    const keylib::KeyRecord after = readKey("k");
    EXPECT_EQ(after.triesLeft, 7);
    EXPECT_EQ(after.label, "Renamed") << "the admin tool's change is kept too";
}

TEST_F(ConcurrencyTest, PluggingAndPullingWhileListingNeverShowsABrokenSet) {
    makePluggedKey("stay", "Stay");
    writeKey("a", newRecord("A"));
    writeKey("b", newRecord("B"));
    std::vector<HANDLE> tools;
    for (int round = 0; round < 3; ++round) {
        for (const char* name : {"a", "b"})
            tools.push_back(startAdmin(std::string("plug ") + name));
        for (int i = 0; i < 10; ++i) {
            uint32_t count = 0;
            ASSERT_EQ(CSP_GetSlotList(nullptr, &count), KEYLIB_OK);
            EXPECT_GE(count, 1u);
            EXPECT_LE(count, 3u);
        }
        for (HANDLE tool : tools) EXPECT_EQ(waitAndClose(tool), 0u);
        tools.clear();
        for (const char* name : {"a", "b"})
            tools.push_back(startAdmin(std::string("pull ") + name));
        for (HANDLE tool : tools) EXPECT_EQ(waitAndClose(tool), 0u);
        tools.clear();
    }
    uint32_t count = 0;
    EXPECT_EQ(CSP_GetSlotList(nullptr, &count), KEYLIB_OK);
    EXPECT_EQ(count, 1u);
}

}  // namespace
}  // namespace keylibtest
