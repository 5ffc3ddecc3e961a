// What a key's arrival and removal do, the line logged of each, the launch text read from a
// key, the smart-card service check, and the failed-device repair.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "device/logic/KeyDeviceRepair.h"
#include "device/logic/KeyDeviceRepairRegistry.h"
#include "device/logic/KeyEvents.h"
#include "device/logic/KeyEventsLog.h"
#include "device/logic/LaunchText.h"
#include "device/logic/ServiceCheck.h"
#include "keylib/logic/SlotTable.h"

namespace keytool {
namespace {

using namespace std::string_literals;
using Log = std::vector<std::string>;

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

// Keys appearing, what each loaded key adds, and the end of every re-evaluation.
const std::string in = "count enable icon show wait list newicon", out = "count disable noslot";
const std::string k5 = " init5 status5 load5", k8 = " init8 status8 load8";
const std::string done = " balloon19 refresh", unread5 = " unload init5 status5" + done;
const std::string load5 = " unload" + k5 + done;

TEST(KeyEvents, EachChangeOfTheKeyCountRunsItsSteps) {
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
        {"second key", kTreeChanged, 1, {5, 8}, in + " balloon10 launch5 unload" + k5 + k8 + done},
        {"one of two pulled", kTreeChanged, 2, {8}, in + " balloon11 ssl unload" + k8 + done},
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
    EXPECT_EQ(recorder.steps, in + " launch5" + load5 + " post");
    EXPECT_EQ(count, 1u);

    // The posted change evaluates what the nested ones saw, as one insertion.
    recorder.steps.clear();
    recorder.duringPrompt = nullptr;
    HandleDeviceChange(kTreeChanged, count, state, recorder);
    EXPECT_EQ(recorder.steps, in + " balloon10 launch5 unload" + k5 + k8 + done);
    EXPECT_EQ(count, 2u);

    // Notices that are never evaluated post nothing either.
    recorder.steps.clear();
    recorder.duringPrompt = [&] { HandleDeviceChange(0x8000, count, state, recorder); };
    recorder.plugged = recorder.fullRead = {8};
    HandleDeviceChange(kTreeChanged, count, state, recorder);
    EXPECT_EQ(recorder.steps.find("post"), std::string::npos) << recorder.steps;
}

TEST(KeyEventsLog, TellsTheCountsAndTheDecisionOfEachEvaluation) {
    const std::pair<KeyEvaluation, const char*> cases[] = {
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
    for (const auto& [evaluation, line] : cases) EXPECT_EQ(DescribeKeyEvaluation(evaluation), line);
}

// One key's files; the content is written as stored, terminator or not.
struct Files {
    std::vector<std::uint16_t> ids;
    std::uint16_t reported;
    std::string content;
    std::uint32_t idsResult, readResult;
};
struct FakeFiles : KeyFiles {
    Files f;
    std::uint32_t AllIds(std::uint32_t, std::uint16_t* count, std::uint16_t* out) override {
        return std::copy(f.ids.begin(), f.ids.end(), out), *count = f.reported, f.idsResult;
    }
    std::uint32_t Read(std::uint32_t, std::uint16_t, std::uint32_t, std::uint32_t length,
                       std::uint8_t* buffer) override {
        std::memcpy(buffer, f.content.data(), std::min<std::size_t>(f.content.size(), length));
        return f.readResult;
    }
};

TEST(LaunchText, OnlyAWholeStoredTextIsGivenAndNothingOverruns) {
    const std::vector<std::uint16_t> withLaunch{1, kLaunchFileId};
    const std::tuple<Files, int, std::string> cases[] = {
        {{withLaunch, 2, std::string("https://e.cn/\0junk", 18), 0, 0}, 1, "https://e.cn/"},
        {{{1, 2}, 2, "x", 0, 0}, 1, ""},                              // no launch file
        {{withLaunch, 2, "x", 1, 0}, 0, ""},                          // ids unreadable
        {{withLaunch, 2, "x", 0, 1}, 0, ""},                          // file unreadable
        {{std::vector<std::uint16_t>(50, 1), 60, "x", 0, 0}, 1, ""},  // count beyond the table
        {{withLaunch, 2, std::string(255, 'a') + '\0', 0, 0}, 1, std::string(255, 'a')},
        {{withLaunch, 2, std::string(256, 'b') + '\0', 0, 0}, 1, ""},  // too long: not cut
        {{withLaunch, 2, std::string(400, 'c'), 0, 0}, 1, ""},         // unterminated
    };
    for (const auto& [files, answer, expected] : cases) {
        FakeFiles fake;
        fake.f = files;
        char text[kLaunchTextSize];
        std::size_t length = 99;
        const int got = ReadLaunchText(fake, 1, text, &length);
        EXPECT_EQ(std::tie(got, length, text), std::make_tuple(answer, expected.size(), expected));
    }
}

// Answers the status queries in turn, the last one repeated; none: not installed.
struct FakeServices : ServiceControl, WaitClock {
    std::deque<ServiceStatus> statuses;
    std::string calls;
    std::uint64_t now = 0;
    std::vector<std::uint32_t> sleeps;

    bool OpenManager() override { return calls += "manager ", true; }
    bool OpenService(const char* name) override { return calls += name, !statuses.empty(); }
    bool QueryStatus(ServiceStatus* status) override {
        *status = statuses.front();
        if (statuses.size() > 1) statuses.pop_front();
        return calls += " query", true;
    }
    bool Start() override { return calls += " start", true; }
    void CloseService() override { calls += " close"; }
    void CloseManager() override { calls += " close-manager"; }
    std::uint64_t NowMs() override { return now; }
    void SleepMs(std::uint32_t ms) override { sleeps.push_back(ms), now += ms; }
};

TEST(ServiceCheck, Outcomes) {
    using Sleeps = std::vector<std::uint32_t>;
    const ServiceStatus stopped{kServiceStopped, 0}, running{kServiceRunning, 0};
    const auto wait = [](std::uint32_t hint) { return ServiceStatus{kServiceStartPending, hint}; };
    // Never running, the check ends at the bound; without a hint it polls, and a hint past the
    // bound is cut to it. The rows: statuses, result, queries after the start, sleeps.
    const std::tuple<std::deque<ServiceStatus>, int, int, Sleeps> rows[] = {
        {{running}, 0, 0, {}},
        {{}, -1, 0, {}},
        {{stopped, wait(2000), wait(500), running}, 0, 3, {2000, 500, kServicePollMinMs}},
        {{stopped, wait(3000)}, -1, 10, Sleeps(10, 3000)},
        {{stopped, wait(0)}, -1, 300, Sleeps(300, kServicePollMinMs)},
        {{stopped, wait(600000)}, -1, 1, {kServiceStartBoundMs}}};
    for (const auto& [statuses, result, queriesAfterStart, sleeps] : rows) {
        FakeServices services;
        services.statuses = statuses;
        EXPECT_EQ(CheckService(kSmartCardService, services, services), result);
        std::string calls = statuses.empty() ? "manager SCardSvr" : "manager SCardSvr query";
        for (int i = 0; i < queriesAfterStart; ++i) calls += i ? " query" : " start query";
        EXPECT_EQ(services.calls, calls + (statuses.empty() ? "" : " close") + " close-manager");
        EXPECT_EQ(services.sleeps, sleeps);
    }
}

// Keys by full path with an access list; some cannot be opened or deleted, some
// grants stop half-way (the list changed, failure answered), some lists cannot
// be put back. Restore failures are reported into `unrestored`.
struct FakeRegistry : Registry, RepairReport {
    struct Key {
        std::string access = "own";
        bool opens = true, deletes = true, grantHalfFails = false, restores = true;
    };
    std::map<std::string, Key> keys;
    std::map<RegKey, std::string> open;
    Log log, unrestored;
    int budget = 1000;  // a walk asking for more names than this never ends

    Log ChildrenOf(const std::string& path) const {
        Log names;
        for (const auto& [p, key] : keys) {
            if (p.rfind(path + '\\', 0) == 0 &&
                p.find('\\', path.size() + 1) == std::string::npos) {
                names.push_back(p.substr(path.size() + 1));
            }
        }
        return names;
    }
    bool GrantEveryoneAccess(const std::string& path, SavedAccess& original) override {
        if (!keys.count(path)) return false;
        original.assign(keys[path].access.begin(), keys[path].access.end());
        keys[path].access = "everyone";
        return !keys[path].grantHalfFails;
    }
    bool RestoreAccess(const std::string& path, const SavedAccess& original) override {
        Key& key = keys.at(path);
        return key.restores && (key.access.assign(original.begin(), original.end()), true);
    }
    void RestoreFailed(const std::string& path) override { unrestored.push_back(path); }
    RegKey OpenKey(const std::string& path) override {
        if (!keys.count(path) || !keys[path].opens) return 0;
        const RegKey key = open.empty() ? 1 : open.rbegin()->first + 1;
        open[key] = path;
        return key;
    }
    SubKeyName EnumSubKey(RegKey key, std::uint32_t index, std::string& name) override {
        const Log names = ChildrenOf(open.at(key));
        if (--budget < 0 || index >= names.size()) return SubKeyName::kNone;
        return name = names[index], SubKeyName::kNamed;
    }
    std::uint32_t CountSubKeys(RegKey key) override {
        return static_cast<std::uint32_t>(ChildrenOf(open.at(key)).size());
    }
    bool DeleteKey(const std::string& path) override {
        if (!keys[path].deletes || !ChildrenOf(path).empty()) return false;
        return keys.erase(path), log.push_back(path), true;
    }
    void CloseKey(RegKey key) override { open.erase(key); }
};

// Devices as (status answers, DN flags, class image, problem, hardware ids).
struct Device {
    bool answers;
    std::uint32_t status;
    bool image;
    std::uint32_t problem;
    std::string ids;
};
struct FakeDevices : DeviceList, MessageSink {
    std::vector<Device> devices;
    const Device* device = nullptr;
    Log shown;
    bool Open() override { return true; }
    bool SelectDevice(std::uint32_t i) override {
        device = i < devices.size() ? &devices[i] : nullptr;
        return device;
    }
    bool GetNodeStatus(std::uint32_t& status, std::uint32_t& problem) override {
        return status = device->status, problem = device->problem, device->answers;
    }
    bool HasClassImage() override { return device->image; }
    bool ReadProperty(DeviceProperty property, char* buffer, std::size_t size) override {
        if (property != DeviceProperty::kHardwareId) return false;
        std::fill(buffer, buffer + size, 'x');  // what the ids leave of the buffer is not text
        device->ids.copy(buffer, std::min(size, device->ids.size()));
        return true;
    }
    void Show(const char* text) override { shown.push_back(text); }
};

TEST(KeyDeviceRepair, OnlyShownFailedDevicesWithTheExactIdInsideTheirBufferAreRepairedOnceEach) {
    const std::string id = kKeyHardwareId;
    const std::string ok = id + "\0\0"s;
    const std::pair<std::vector<Device>, std::size_t> cases[] = {
        {{{false, 0, true, 28, ok},
          {true, kDnNoShowInDm, true, 28, ok},
          {true, 0, false, 28, ok},
          {true, 0, true, 0, ok}},
         0},  // no answer, hidden, no class image, no problem
        {{{true, 0, true, 28, "USB\\Vid_d1a1&Pid_2291&Rev_0100\0"s + ok}}, 1},  // matched once
        {{{true, 0, true, 28, "USB\\VID_D1A1&PID_2291\0\0"s}}, 0},              // case matters
        {{{true, 0, true, 28, ""}}, 0},  // a buffer without text, unterminated
        {{{true, 0, true, 28, ok}, {true, 0, true, 10, ok}}, 2},
    };
    for (const auto& [list, repairs] : cases) {
        FakeDevices devices;
        devices.devices = list;
        FakeRegistry registry;
        for (const char* path : {kKeyDevicePaths[0], kKeyDevicePaths[2]}) {  // no ControlSet002
            registry.keys[path];
            registry.keys[path + "\\5&2f&0&1"s];
        }
        CheckKeyDevice(devices, registry, devices, registry);
        EXPECT_EQ(devices.shown, Log(repairs, kReinsertMessage));
        EXPECT_EQ(registry.log.size(), repairs ? 2u : 0u);  // both instance keys, once
    }
    // An id list is read only inside its buffer.
    const auto count = [](const std::string& bytes, bool isList) {
        const std::vector<char> exact(bytes.begin(), bytes.end());  // ASan sees one byte more
        return CountKeyIdMatches(exact.data(), exact.size(), isList);
    };
    const std::string filler(kDeviceTextSize - id.size() - 1, 'A');
    EXPECT_EQ(count(filler + '\0' + id, true), 1u);  // no final terminator
    EXPECT_EQ(count(filler + '\0' + id.substr(1), true), 0u);
    EXPECT_EQ(count(id + '\0' + id, false), 1u);    // not a list: one string
    EXPECT_EQ(count(id + "\0\0"s + id, true), 1u);  // the list ends at the empty string
}

TEST(KeyDeviceRepair, WalkDeletesBottomUpSkipsWhatStaysAndRestoresAccess) {
    const std::string path = kKeyDevicePaths[0];
    FakeRegistry registry;
    for (const char* key : {"", "\\1", "\\1\\Params", "\\1\\Params\\Irq", "\\2", "\\3",
                            "\\3\\child", "\\4", "\\5", "\\5\\child"}) {
        registry.keys[path + key];
    }
    registry.keys[path].grantHalfFails = true;  // the list changed, failure answered
    registry.keys[path + "\\2"].opens = false;
    registry.keys[path + "\\3"].deletes = registry.keys[path + "\\5"].deletes = false;
    registry.keys[path + "\\5"].restores = false;

    EXPECT_EQ(DeleteSubKeys(registry, path, registry), 1);
    EXPECT_EQ(registry.log, (Log{path + "\\1\\Params\\Irq", path + "\\1\\Params", path + "\\1",
                                 path + "\\3\\child", path + "\\4", path + "\\5\\child"}));
    EXPECT_GE(registry.budget, 0);
    EXPECT_EQ(registry.keys[path].access, "own");
    EXPECT_EQ(registry.keys[path + "\\3"].access, "own");  // left behind with its own list
    EXPECT_TRUE(registry.open.empty());
    EXPECT_EQ(registry.unrestored, Log{path + "\\5"});
}

}  // namespace
}  // namespace keytool
