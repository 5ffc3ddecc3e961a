#include "device/logic/KeyEvents.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "device/logic/KeyEventsLog.h"
#include "keylib/logic/SlotTable.h"

namespace keytool {
namespace {

// Records every step as a word; the library lists `plugged` at the quick
// count and `fullRead` at the full read.
constexpr std::uint32_t kTreeChanged = 7;

struct Recorder : KeyEventTarget {
    std::vector<std::uint32_t> plugged, fullRead;
    std::uint32_t status = 2, statusResult = 0;
    std::string steps;
    std::function<void()> duringPrompt;  // what arrives while the initial-password prompt is open

    void Step(const std::string& step) { steps += (steps.empty() ? "" : " ") + step; }
    void QuickCount() override { Step("count"), g_nSlots = plugged.size(); }
    void ReadSlotList() override {
        Step("list"), g_nSlots = fullRead.size();
        std::copy(fullRead.begin(), fullRead.end(), g_dwSlots);
    }
    void UnloadCerts() override { Step("unload"); }
    void ChangeInitPassword(std::uint32_t s) override {
        Step("init" + std::to_string(s));
        if (duringPrompt) duringPrompt();
    }
    std::uint32_t GetSlotStatus(std::uint32_t s, std::uint32_t* out) override {
        return Step("status" + std::to_string(s)), *out = status, statusResult;
    }
    void LoadCerts(std::uint32_t s) override { Step("load" + std::to_string(s)); }
    void EnableCertAndPasswordPages(bool on) override { Step(on ? "enable" : "disable"); }
    void ClearCertPageSlot() override { Step("noslot"); }
    void ReAddTrayIcon() override { Step("icon"); }
    void ShowPermitted() override { Step("show"); }
    void AddTrayIcon(bool keys) override { Step(keys ? "newicon" : "noicon"); }
    void NotifyInstances(std::uint32_t n) override { Step("balloon" + std::to_string(n)); }
    void RefreshKeyList() override { Step("refresh"); }
    void Wait100ms() override { Step("wait"); }
    void OpenLaunchText(std::uint32_t s) override { Step("launch" + std::to_string(s)); }
    void ClearSslState() override { Step("ssl"); }
    void PostReevaluation() override { Step("post"); }
};

TEST(KeyEvents, EachChangeOfTheKeyCountRunsItsSteps) {
    // Keys appearing, what each loaded key adds, and the end of every re-evaluation.
    const std::string in = "count enable icon show wait list newicon", out = "count disable noslot";
    const std::string k5 = " init5 status5 load5", k8 = " init8 status8 load8";
    const std::string end = " balloon19 refresh", unread5 = " unload init5 status5" + end;
    const std::string load5 = " unload" + k5 + end;
    const struct {
        const char* name;
        std::uint32_t event, countBefore;
        std::vector<std::uint32_t> plugged;
        std::string steps;
        std::vector<std::uint32_t> fullRead = plugged;
        std::uint32_t status = 2, statusResult = 0;
    } cases[] = {
        {"start without key", 0, 0, {}, out},
        {"start with a key", 0, 0, {5}, in + " launch5" + load5},
        {"second key", kTreeChanged, 1, {5, 8}, in + " balloon10 launch5 unload" + k5 + k8 + end},
        {"one of two pulled", kTreeChanged, 2, {8}, in + " balloon11 ssl unload" + k8 + end},
        {"all pulled", kTreeChanged, 1, {}, out + " wait list noicon balloon11 ssl unload refresh"},
        {"nothing changed", kTreeChanged, 1, {5}, "count enable icon"},
        {"arrival notice", 0x8000, 0, {5}, ""},
        {"remove-complete notice", 0x8004, 1, {}, ""},
        {"gone at the full read", kTreeChanged, 1, {5, 8}, in + " balloon11 ssl" + load5, {5}},
        {"status 1 loads nothing", 0, 0, {5}, in + " launch5" + unread5, {5}, 1},
        {"unreadable status loads nothing", 0, 0, {5}, in + " launch5" + unread5, {5}, 2, 1},
    };
    for (const auto& c : cases) {
        Recorder recorder;
        recorder.plugged = c.plugged, recorder.fullRead = c.fullRead;
        recorder.status = c.status, recorder.statusResult = c.statusResult;
        std::uint32_t count = c.countBefore;
        EvaluateKeyCount(c.event, count, recorder);
        EXPECT_EQ(recorder.steps, c.steps) << c.name;
        const bool reread = c.steps.find("wait") != std::string::npos;
        EXPECT_EQ(count, reread ? c.fullRead.size() : c.countBefore) << c.name;
    }
}

TEST(KeyEvents, ChangesDuringAnEvaluationAreNotNestedButFollowItOnce) {
    Recorder recorder;
    recorder.plugged = recorder.fullRead = {5};
    DeviceChangeState state;
    std::uint32_t count = 0;
    // Keys plugged and pulled while the prompt is open, announced as Windows does.
    recorder.duringPrompt = [&] {
        recorder.plugged = recorder.fullRead = {5, 8};
        for (std::uint32_t event : {0x8000u, kTreeChanged, 0x8004u, kTreeChanged, kTreeChanged}) {
            HandleDeviceChange(event, count, state, recorder);
        }
    };
    HandleDeviceChange(0, count, state, recorder);
    EXPECT_EQ(recorder.steps, "count enable icon show wait list newicon launch5 unload init5 " +
                                  std::string("status5 load5 balloon19 refresh post"));
    EXPECT_EQ(count, 1u);

    // The posted change evaluates what the nested ones saw, as one insertion.
    recorder.steps.clear();
    recorder.duringPrompt = nullptr;
    HandleDeviceChange(kTreeChanged, count, state, recorder);
    EXPECT_EQ(recorder.steps,
              "count enable icon show wait list newicon balloon10 launch5 unload " +
                  std::string("init5 status5 load5 init8 status8 load8 balloon19 ") + "refresh");
    EXPECT_EQ(count, 2u);

    // Notices that are never evaluated post nothing either.
    recorder.steps.clear();
    recorder.duringPrompt = [&] { HandleDeviceChange(0x8000, count, state, recorder); };
    recorder.plugged = recorder.fullRead = {8};
    HandleDeviceChange(kTreeChanged, count, state, recorder);
    EXPECT_EQ(recorder.steps.find("post"), std::string::npos) << recorder.steps;
}

TEST(KeyEventsLog, TellsTheCountsAndTheDecisionOfEachEvaluation) {
    const struct {
        KeyEvaluation evaluation;
        const char* line;
    } cases[] = {
        {{0x8000, 1, 0, 0, false}, "device change 0x8000: ignored"},
        {{0x8004, 1, 0, 0, false}, "device change 0x8004: ignored"},
        {{0x0007, 2, 2, 0, false}, "device change 0x0007: 2 key(s), as before: no change"},
        {{0x0000, 0, 1, 1, true},
         "device change 0x0000: 1 key(s) counted, 1 listed, 0 before: inserted"},
        {{0x0007, 2, 1, 1, true},
         "device change 0x0007: 1 key(s) counted, 1 listed, 2 before: removed"},
        // The key came back between the two reads: the evaluation treats it as a removal.
        {{0x0007, 1, 0, 1, true},
         "device change 0x0007: 0 key(s) counted, 1 listed, 1 before: removed"},
    };
    for (const auto& c : cases) EXPECT_EQ(DescribeKeyEvaluation(c.evaluation), c.line);
}

}  // namespace
}  // namespace keytool
