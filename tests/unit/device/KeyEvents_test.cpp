#include "device/logic/KeyEvents.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "keylib/logic/SlotTable.h"

namespace keytool {
namespace {

// Records every step as text; the key library answers from `plugged`, which a
// test may change between the quick count and the full read.
class RecordingTarget : public KeyEventTarget {
public:
    std::vector<std::uint32_t> plugged;
    std::vector<std::uint32_t> pluggedOnFullRead;
    bool changeBeforeFullRead = false;
    std::uint32_t status = 2;
    std::uint32_t statusResult = 0;
    std::vector<std::string> calls;

    void QuickCount() override {
        calls.push_back("count");
        g_nSlots = static_cast<std::uint32_t>(plugged.size());
    }
    void ReadSlotList() override {
        calls.push_back("list");
        const auto& now = changeBeforeFullRead ? pluggedOnFullRead : plugged;
        g_nSlots = static_cast<std::uint32_t>(now.size());
        for (std::size_t i = 0; i < now.size(); ++i) g_dwSlots[i] = now[i];
    }
    void UnloadCerts() override { calls.push_back("unload"); }
    void ChangeInitPassword(std::uint32_t slot) override {
        calls.push_back("init " + std::to_string(slot));
    }
    std::uint32_t GetSlotStatus(std::uint32_t slot, std::uint32_t* out) override {
        calls.push_back("status " + std::to_string(slot));
        *out = status;
        return statusResult;
    }
    void LoadCerts(std::uint32_t slot) override { calls.push_back("load " + std::to_string(slot)); }
    void EnableCertAndPasswordPages(bool enable) override {
        calls.push_back(enable ? "enable" : "disable");
    }
    void ClearCertPageSlot() override { calls.push_back("clear slot"); }
    void ReAddTrayIcon() override { calls.push_back("icon again"); }
    void ShowPermitted() override { calls.push_back("show"); }
    void AddTrayIcon(bool keysPresent) override {
        calls.push_back(keysPresent ? "icon new" : "icon none");
    }
    void NotifyInstances(std::uint32_t balloon) override {
        calls.push_back("balloon " + std::to_string(balloon));
    }
    void RefreshKeyList() override { calls.push_back("refresh"); }
    void Wait100ms() override { calls.push_back("wait"); }
    void OpenLaunchText(std::uint32_t slot) override {
        calls.push_back("launch " + std::to_string(slot));
    }
    void ClearSslState() override { calls.push_back("clear ssl"); }
};

using Calls = std::vector<std::string>;
constexpr std::uint32_t kTreeChanged = 7;  // DBT_DEVNODES_CHANGED

class KeyEvents : public ::testing::Test {
protected:
    void SetUp() override { g_nSlots = 0; }
    RecordingTarget target;
    std::uint32_t keyCount = 0;
};

TEST_F(KeyEvents, StartUpWithoutKeyDisablesPagesAndNothingMore) {
    EvaluateKeyCount(0, keyCount, target);
    EXPECT_EQ(target.calls, (Calls{"count", "disable", "clear slot"}));
    EXPECT_EQ(keyCount, 0u);
}

TEST_F(KeyEvents, StartUpWithOneKeyIsAnInsertionWithoutTheInsertBalloon) {
    target.plugged = {5};
    EvaluateKeyCount(0, keyCount, target);
    EXPECT_EQ(target.calls, (Calls{"count", "enable", "icon again", "show", "wait", "list",
                                   "icon new", "launch 5", "unload", "init 5", "status 5", "load 5",
                                   "balloon 19", "refresh"}));
    EXPECT_EQ(keyCount, 1u);
}

TEST_F(KeyEvents, SecondKeyReloadsEveryKeyAndOpensTheFirstListedLaunchText) {
    keyCount = 1;
    target.plugged = {5, 8};
    EvaluateKeyCount(kTreeChanged, keyCount, target);
    EXPECT_EQ(target.calls,
              (Calls{"count", "enable", "icon again", "show", "wait", "list", "icon new",
                     "balloon 10", "launch 5", "unload", "init 5", "status 5", "load 5", "init 8",
                     "status 8", "load 8", "balloon 19", "refresh"}));
    EXPECT_EQ(keyCount, 2u);
}

TEST_F(KeyEvents, OneOfTwoPulledIsARemovalThatReloadsTheRest) {
    keyCount = 2;
    target.plugged = {8};
    EvaluateKeyCount(kTreeChanged, keyCount, target);
    EXPECT_EQ(target.calls, (Calls{"count", "enable", "icon again", "show", "wait", "list",
                                   "icon new", "balloon 11", "clear ssl", "unload", "init 8",
                                   "status 8", "load 8", "balloon 19", "refresh"}));
}

TEST_F(KeyEvents, LastKeyPulledClearsAndUnloadsWithoutLoading) {
    keyCount = 1;
    EvaluateKeyCount(kTreeChanged, keyCount, target);
    EXPECT_EQ(target.calls, (Calls{"count", "disable", "clear slot", "wait", "list", "icon none",
                                   "balloon 11", "clear ssl", "unload", "refresh"}));
    EXPECT_EQ(keyCount, 0u);
}

TEST_F(KeyEvents, UnchangedCountOnlyRefreshesPagesAndIcon) {
    keyCount = 1;
    target.plugged = {5};
    EvaluateKeyCount(kTreeChanged, keyCount, target);
    EXPECT_EQ(target.calls, (Calls{"count", "enable", "icon again"}));
}

TEST_F(KeyEvents, ArrivalAndRemoveCompleteAreIgnored) {
    target.plugged = {5};
    EvaluateKeyCount(kDbtDeviceArrival, keyCount, target);
    EvaluateKeyCount(kDbtDeviceRemoveComplete, keyCount, target);
    EXPECT_TRUE(target.calls.empty());
    EXPECT_EQ(keyCount, 0u);
}

TEST_F(KeyEvents, FullReadEqualToTheOldCountTakesTheRemovalPath) {
    // The quick count saw a second key that was gone again by the full read.
    keyCount = 1;
    target.plugged = {5, 8};
    target.changeBeforeFullRead = true;
    target.pluggedOnFullRead = {5};
    EvaluateKeyCount(kTreeChanged, keyCount, target);
    EXPECT_EQ(target.calls, (Calls{"count", "enable", "icon again", "show", "wait", "list",
                                   "icon new", "balloon 11", "clear ssl", "unload", "init 5",
                                   "status 5", "load 5", "balloon 19", "refresh"}));
}

TEST_F(KeyEvents, CertificatesLoadOnlyForReadableStatusAboveOne) {
    target.plugged = {5};
    target.status = 1;
    EvaluateKeyCount(0, keyCount, target);
    EXPECT_EQ(std::count(target.calls.begin(), target.calls.end(), "load 5"), 0);

    RecordingTarget failing;
    failing.plugged = {6};
    failing.statusResult = 0xA0420001;
    std::uint32_t count = 0;
    EvaluateKeyCount(0, count, failing);
    EXPECT_EQ(std::count(failing.calls.begin(), failing.calls.end(), "load 6"), 0);
    EXPECT_EQ(failing.calls.back(), "refresh");
}

}  // namespace
}  // namespace keytool
