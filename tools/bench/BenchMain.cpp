// Benchmarks of the key tool under Wine, printed as the rows of one Markdown table:
//   keytool_bench.exe TEMPLATE.der [--smoke] [PART...]
// Parts: startup (against a bare dialog), device (device changes with many keys), many
// (start-up with 255 keys), cycles (memory and windows over plug/pull cycles), idle (CPU and
// wake-ups), slow (keys as slow as real ones, with the key-library calls of each event
// counted); all when none is named. A program in bin\before (tools/bench.sh puts an earlier
// build's there) runs side by side with this one in the start-up, device, many and slow parts.
// --smoke runs on a small scale, to show it still works.
#include <windows.h>
#include <dbt.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/Messages.h"
#include "tests/driver/Driver.h"
#include "tools/bench/BenchKeys.h"
#include "tools/bench/WineProcess.h"

namespace bench {
namespace {

// Far beyond any step; a step that takes longer has failed.
constexpr DWORD kLongMs = 120000;

struct Scale {
    int startupRuns;
    int slowRuns;
    std::vector<size_t> deviceKeys;
    int deviceRuns;
    size_t manyKeys;
    int manyRuns;
    int warmUpCycles;
    int cycles;
    DWORD idleMs;
};

const Scale kFull{11, 5, {1, 8, 32, 128}, 5, 255, 3, 10, 1000, 60000};
const Scale kSmoke{1, 1, {2}, 1, 2, 1, 1, 1, 200};

std::string binDir() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    const std::string dir = path;
    return dir.substr(0, dir.find_last_of('\\'));
}

bool exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string tempFolder(const char* name) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + name + std::to_string(GetCurrentProcessId());
}

void removeFolder(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                DeleteFileA((folder + "\\" + found.cFileName).c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

struct Summary {
    double min = 0, median = 0, max = 0;
};

Summary summarize(std::vector<double> samples) {
    if (samples.empty()) throw std::runtime_error("no samples");
    std::sort(samples.begin(), samples.end());
    const size_t n = samples.size();
    const double median = n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
    return {samples.front(), median, samples.back()};
}

std::string fixed(double value, int decimals = 0) {
    char text[64];
    snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string ms(const Summary& s) {
    return fixed(s.min) + " / " + fixed(s.median) + " / " + fixed(s.max) + " ms";
}

void row(const std::string& what, const std::string& result, const std::string& target) {
    printf("| %s | %s | %s |\n", what.c_str(), result.c_str(), target.c_str());
    fflush(stdout);
}

// The key tool on the bench store, ended through its own exit message.
class Tool {
public:
    explicit Tool(const BenchKeys& keys, const std::string& folder = binDir(),
                  std::map<std::string, std::string> environment = {})
        : process_(folder + "\\QelmoraKeyTool.exe", "", withStore(keys, std::move(environment))) {}
    ~Tool() {
        if (main_ != nullptr) PostMessageA(main_, WM_KEYTOOL_EXIT, 0, 0);
        process_.waitExit(kLongMs);
    }
    // Start-up time: until the main window is drawn and its thread is free. Without a key the
    // window stays hidden: then until it exists and its thread is free.
    double waitReady(bool shown = true) {
        main_ = shown ? waitDrawn(process_.id(), driver::kMainTitle, kLongMs)
                      : driver::WaitMainWindow(process_.id(), kLongMs);
        if (main_ == nullptr || !answers(main_, kLongMs)) {
            throw std::runtime_error("the key tool did not start");
        }
        return process_.elapsedMs();
    }
    // Milliseconds the window takes to handle one device change.
    double deviceChange() {
        DWORD_PTR result = 0;
        const double start = nowMs();
        if (!SendMessageTimeoutA(main_, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0, SMTO_NORMAL,
                                 kLongMs, &result)) {
            throw std::runtime_error("the key tool did not handle a device change");
        }
        return nowMs() - start;
    }
    HWND main() const { return main_; }
    WineProcess& process() { return process_; }

private:
    static std::map<std::string, std::string> withStore(const BenchKeys& keys,
                                                        std::map<std::string, std::string> env) {
        env["KEYLIB_STORE"] = keys.folder();
        return env;
    }
    WineProcess process_;
    HWND main_ = nullptr;
};

double bareDialogStart() {
    WineProcess bare(binDir() + "\\bare_dialog.exe", "", {});
    HWND dialog = waitDrawn(bare.id(), "Bare dialog", kLongMs);
    if (dialog == nullptr) throw std::runtime_error("the bare dialog did not show");
    const double elapsed = bare.elapsedMs();
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    bare.waitExit(kLongMs);
    return elapsed;
}

// The earlier build in bin\before, when tools/bench.sh put one there.
std::string beforeFolder() {
    const std::string before = binDir() + "\\before";
    return exists(before + "\\QelmoraKeyTool.exe") ? before : std::string();
}

void startupAgainstBareDialog(BenchKeys& keys, const Scale& scale) {
    keys.plugFirst(1);
    const std::string before = beforeFolder();
    std::vector<double> bare, tool, earlier;
    for (int i = 0; i < scale.startupRuns; ++i) {
        bare.push_back(bareDialogStart());
        if (!before.empty()) {
            Tool t(keys, before);
            earlier.push_back(t.waitReady());
        }
        Tool t(keys);
        tool.push_back(t.waitReady());
    }
    const Summary b = summarize(bare), t = summarize(tool);
    row("Start-up to drawn window, bare dialog (min / median / max)", ms(b), "");
    if (!before.empty()) {
        row("Start-up to drawn window, one key, build before (min / median / max)",
            ms(summarize(earlier)), "");
    }
    row("Start-up to drawn window, one key (min / median / max)", ms(t),
        "<= " + fixed(1.5 * (b.median + 100)) + " ms");
    row("Start-up ratio (medians, tool / bare)", fixed(t.median / b.median, 2),
        "<= " + fixed(1.5 * (b.median + 100) / b.median, 2));
}

// Both builds, one after the other for each number of keys (one tool runs at a time).
void deviceChanges(BenchKeys& keys, const Scale& scale) {
    std::vector<std::pair<std::string, std::string>> builds{{"", binDir()}};
    if (!beforeFolder().empty()) builds.insert(builds.begin(), {", build before", beforeFolder()});
    for (size_t n : scale.deviceKeys) {
        for (const auto& [name, folder] : builds) {
            keys.plugFirst(n - 1);
            Tool tool(keys, folder);
            tool.waitReady(n > 1);
            std::vector<double> samples;
            for (int i = 0; i < scale.deviceRuns; ++i) {
                keys.plug(n - 1);
                samples.push_back(tool.deviceChange());
                keys.pull(n - 1);
                tool.deviceChange();
            }
            row("Device change to " + std::to_string(n) + " keys" + name + " (min / median / max)",
                ms(summarize(samples)), n == 128 && name.empty() ? "<= 400 ms" : "");
        }
    }
}

void startupWithManyKeys(BenchKeys& keys, const Scale& scale) {
    keys.plugFirst(scale.manyKeys);
    std::vector<double> samples, earlier;
    for (int i = 0; i < scale.manyRuns; ++i) {
        if (!beforeFolder().empty()) {
            Tool tool(keys, beforeFolder());
            earlier.push_back(tool.waitReady());
        }
        Tool tool(keys);
        samples.push_back(tool.waitReady());
    }
    const std::string what = "Start-up with " + std::to_string(scale.manyKeys) + " keys";
    if (!earlier.empty())
        row(what + ", build before (min / median / max)", ms(summarize(earlier)), "");
    row(what + " (min / median / max)", ms(summarize(samples)), "<= 800 ms");
}

void plugPullCycles(BenchKeys& keys, const Scale& scale) {
    keys.plugFirst(0);
    Tool tool(keys);
    tool.waitReady(false);
    // Warm-up: the first cycles load code and fill caches once.
    for (int i = 0; i < scale.warmUpCycles; ++i) {
        keys.plug(0);
        tool.deviceChange();
        keys.pull(0);
        tool.deviceChange();
    }
    const WineProcess::UnixStats before = tool.process().unixStats();
    const size_t windowsBefore = windowCount(tool.process().id());
    for (int i = 0; i < scale.cycles; ++i) {
        keys.plug(0);
        tool.deviceChange();
        keys.pull(0);
        tool.deviceChange();
    }
    const WineProcess::UnixStats after = tool.process().unixStats();
    const size_t windowsAfter = windowCount(tool.process().id());
    const std::string cycles = std::to_string(scale.cycles) + " plug/pull cycles, one key";
    if (before.known && after.known) {
        const double growth = after.rssKb - before.rssKb;
        row("Memory (RSS) over " + cycles,
            fixed(before.rssKb / 1024, 1) + " -> " + fixed(after.rssKb / 1024, 1) + " MB (" +
                fixed(growth / scale.cycles, 1) + " KB a cycle)",
            "growth < 4 MB");
    } else {
        row("Memory (RSS) over " + cycles, "not readable", "growth < 4 MB");
    }
    row("Windows over " + cycles,
        std::to_string(windowsBefore) + " -> " + std::to_string(windowsAfter), "flat");
    row("GDI objects over " + cycles, "not measurable: GetGuiResources is a stub in Wine 8",
        "flat");
}

std::string idleText(const WineProcess::UnixStats& before, const WineProcess::UnixStats& after) {
    if (!before.known || !after.known) return "not readable";
    return "CPU " + fixed(after.cpuMs - before.cpuMs) + " ms, " +
           std::to_string(after.wakeUps - before.wakeUps) + " wake-ups";
}

// The bare dialog idles alongside the visible window: what Wine itself does for a shown
// dialog in that time.
void idle(BenchKeys& keys, const Scale& scale) {
    keys.plugFirst(1);
    Tool tool(keys);
    tool.waitReady();
    const std::string seconds = ", " + fixed(scale.idleMs / 1000.0, 1) + " s";
    {
        WineProcess bare(binDir() + "\\bare_dialog.exe", "", {});
        HWND dialog = waitDrawn(bare.id(), "Bare dialog", kLongMs);
        if (dialog == nullptr) throw std::runtime_error("the bare dialog did not show");
        const WineProcess::UnixStats toolBefore = tool.process().unixStats();
        const WineProcess::UnixStats bareBefore = bare.unixStats();
        Sleep(scale.idleMs);
        const WineProcess::UnixStats toolAfter = tool.process().unixStats();
        const WineProcess::UnixStats bareAfter = bare.unixStats();
        row("Idle visible" + seconds, idleText(toolBefore, toolAfter), "none");
        row("Idle, bare dialog alongside" + seconds, idleText(bareBefore, bareAfter), "");
        PostMessageA(dialog, WM_CLOSE, 0, 0);
        bare.waitExit(kLongMs);
    }
    PostMessageA(tool.main(), WM_COMMAND, IDCANCEL, 0);
    answers(tool.main(), kLongMs);
    Sleep(std::min<DWORD>(2000, scale.idleMs));  // what hiding itself costs is not idling
    const WineProcess::UnixStats before = tool.process().unixStats();
    Sleep(scale.idleMs);
    row("Idle hidden" + seconds, idleText(before, tool.process().unixStats()), "none");
}

// What one event asked the key library, from the pass-through library's log.
struct EventCalls {
    size_t calls = 0;
    std::map<std::string, size_t> readsOfSlot;  // containers and certificates
    size_t repeated = 0;                        // reads asked again within the event
};

std::vector<std::string> logLines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

EventCalls countCalls(const std::vector<std::string>& lines, size_t from) {
    EventCalls event;
    std::map<std::string, size_t> seen;
    for (size_t i = from; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        ++event.calls;
        if (line.rfind("CSP_Container", 0) != 0 && line.rfind("CSP_ReadCertByName", 0) != 0) {
            continue;
        }
        const size_t open = line.find('(') + 1;
        ++event.readsOfSlot[line.substr(open, line.find_first_of(",)", open) - open)];
        if (seen[line]++ > 0) ++event.repeated;
    }
    return event;
}

std::string callsText(const EventCalls& event) {
    std::string perKey;
    for (const auto& [slot, reads] : event.readsOfSlot) {
        perKey += (perKey.empty() ? "" : ", ") + std::to_string(reads);
    }
    return std::to_string(event.calls) + " calls, reads per key " +
           (perKey.empty() ? "none" : perKey) + ", " + std::to_string(event.repeated) + " repeated";
}

// Keys as slow as real ones (the pass-through library waits 20 ms a certificate read and
// 5 ms any other call): start-up with one key, then a second key plugged in. Each event is
// over when its expiry check has run too: the window's thread answers again after a pause.
void slowKeys(BenchKeys& keys, const Scale& scale) {
    struct Build {
        std::string name, folder;
        std::vector<double> startup, insertion;
        EventCalls startupCalls, insertionCalls;
    };
    std::vector<Build> builds;
    if (!beforeFolder().empty()) {
        builds.push_back({"build before", beforeFolder() + "\\passthrough", {}, {}, {}, {}});
    }
    builds.push_back({"this build", binDir() + "\\passthrough", {}, {}, {}, {}});
    const std::string log = tempFolder("keytool-bench-calls-") + ".log";
    for (int i = 0; i < scale.slowRuns; ++i) {
        for (Build& build : builds) {
            DeleteFileA(log.c_str());
            keys.plugFirst(1);
            Tool tool(keys, build.folder, {{"KEYTOOL_CALL_LOG", log}, {"KEYTOOL_SLOW_KEY", "1"}});
            build.startup.push_back(tool.waitReady());
            Sleep(1000);
            answers(tool.main(), kLongMs);
            const size_t atStart = logLines(log).size();
            build.startupCalls = countCalls(logLines(log), 0);
            keys.plug(1);
            build.insertion.push_back(tool.deviceChange());
            Sleep(1000);
            answers(tool.main(), kLongMs);
            build.insertionCalls = countCalls(logLines(log), atStart);
        }
    }
    DeleteFileA(log.c_str());
    for (const Build& build : builds) {
        row("Slow keys, " + build.name + ": start-up to drawn window, one key",
            ms(summarize(build.startup)), "");
        row("Slow keys, " + build.name + ": calls at start-up", callsText(build.startupCalls),
            "0 repeated");
        row("Slow keys, " + build.name + ": a second key plugged in",
            ms(summarize(build.insertion)), "");
        row("Slow keys, " + build.name + ": calls at the insertion",
            callsText(build.insertionCalls), "0 repeated");
    }
}

std::vector<uint8_t> readFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    if (bytes.empty()) throw std::runtime_error(std::string("cannot read ") + path);
    return bytes;
}

}  // namespace
}  // namespace bench

int main(int argc, char** argv) {
    using namespace bench;
    const std::vector<std::pair<std::string, void (*)(BenchKeys&, const Scale&)>> parts{
        {"startup", startupAgainstBareDialog},
        {"device", deviceChanges},
        {"many", startupWithManyKeys},
        {"cycles", plugPullCycles},
        {"idle", idle},
        {"slow", slowKeys}};
    bool smoke = false;
    std::vector<std::string> chosen;
    for (int i = 2; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--smoke") {
            smoke = true;
        } else if (std::find_if(parts.begin(), parts.end(), [&](const auto& part) {
                       return part.first == argument;
                   }) != parts.end()) {
            chosen.push_back(argument);
        } else {
            argc = 0;
        }
    }
    if (argc < 2) {
        fprintf(stderr,
                "usage: keytool_bench.exe TEMPLATE.der [--smoke] "
                "[startup|device|many|cycles|idle|slow]...\n");
        return 2;
    }
    const Scale& scale = smoke ? kSmoke : kFull;
    const std::string folder = tempFolder("keytool-bench-");
    int status = 0;
    try {
        BenchKeys keys(folder, readFile(argv[1]));
        keys.create(std::max(scale.manyKeys, scale.deviceKeys.back()));
        for (const auto& [name, run] : parts) {
            if (chosen.empty() || std::count(chosen.begin(), chosen.end(), name) > 0) {
                run(keys, scale);
            }
        }
    } catch (const std::exception& e) {
        fprintf(stderr, "benchmark failed: %s\n", e.what());
        status = 1;
    }
    removeFolder(folder);
    return status;
}
