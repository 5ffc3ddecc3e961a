// A key store that another process holds: the program's device-change handling gets the key
// library's "store busy" answer after its short wait and takes no key for removed.
#include <windows.h>
// windows.h must come first.
#include <dbt.h>

#include <gtest/gtest.h>

#include "app/Messages.h"
#include "tests/e2e/VirtualKeys.h"

namespace {

using Calls = std::vector<std::string>;

Calls CallsSince(const e2e::VirtualKeys& keys, size_t before) {
    const Calls all = keys.Calls();
    return Calls(all.begin() + static_cast<std::ptrdiff_t>(std::min(before, all.size())),
                 all.end());
}

TEST(BusyStore, ADeviceChangeWhileAnotherProcessHoldsTheStoreKeepsTheKeys) {
    e2e::VirtualKeys keys;
    ASSERT_EQ(
        keys.Admin({"create", "k", "--label", "Busy", "--password", "Pass-2026", "--status", "2"}),
        0);
    ASSERT_EQ(keys.Admin({"plug", "k"}), 0);
    driver::Process& program = keys.StartRecorded();
    HWND main = driver::WaitMainWindow(program.Id());
    ASSERT_NE(main, nullptr);
    // The start-up evaluation ends by reading the labels for the key selector.
    ASSERT_TRUE(
        driver::WaitUntil([&] { return e2e::Count(keys.Calls(), "CSP_GetUsbKeyLabel(1)") > 0; }));
    driver::Sync(main);
    size_t before = keys.Calls().size();
    {
        HANDLE held = CreateEventA(nullptr, TRUE, FALSE, "e2e-busy-store-held");
        driver::Process holder("\"" + e2e::BinDir() + "\\keylib_lock_holder.exe\" \"" +
                               keys.Store() + "\" e2e-busy-store-held");
        ASSERT_EQ(WaitForSingleObject(held, 60000), WAIT_OBJECT_0);
        CloseHandle(held);
        DWORD_PTR answer = 0;
        ASSERT_NE(SendMessageTimeoutA(main, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0, SMTO_BLOCK,
                                      60000, &answer),
                  0);
        const Calls since = CallsSince(keys, before);
        EXPECT_EQ(e2e::Count(since, "CSP_GetSlotList(null)"), 1u);
        EXPECT_EQ(
            e2e::Count(since, "CSP_GetSlotList(array)") + e2e::Count(since, "CSP_UnloadIECert()"),
            0u)
            << "the count stays as it was: nothing re-read, nothing unloaded";
    }  // the holder is killed, its lock gone

    before = keys.Calls().size();
    ASSERT_EQ(keys.Admin({"pull", "k"}), 0);
    EXPECT_EQ(e2e::Count(CallsSince(keys, before), "CSP_UnloadIECert()"), 1u)
        << "a real removal still counts";
    PostMessageA(main, WM_KEYTOOL_EXIT, 0, 0);
    EXPECT_TRUE(program.WaitExit(20000));
}

}  // namespace
