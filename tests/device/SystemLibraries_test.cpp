// The secure-channel libraries come from the system folder, never from a
// library of the same name planted beside the program or in its current folder,
// and the key library beside the program still loads.
#include <gtest/gtest.h>

#include "app/Messages.h"
#include "tests/e2e/VirtualKeys.h"

namespace {

constexpr LONG_PTR kTag = 0x72C49254;  // the real key library's instance tag

void Copy(const std::string& from, const std::string& to) {
    ASSERT_TRUE(CopyFileA(from.c_str(), to.c_str(), FALSE)) << from << " -> " << to;
}

TEST(SystemLibraries, PlantedLibrariesAreNotLoadedAndTheKeyLibraryIs) {
    const std::string bin = e2e::BinDir();
    driver::TempDir program, current, store, logs;
    for (const char* file : {"QelmoraKeyTool.exe", "DravikFun_tovex.dll", "KeyLibReal.dll"}) {
        Copy(bin + "\\passthrough\\" + file, program.File(file));
    }
    for (const char* name : {"SCHANNEL.DLL", "WININET.DLL"}) {
        Copy(bin + "\\planted.dll", program.File(name));
        Copy(bin + "\\planted.dll", current.File(name));
    }

    const std::string planted = logs.File("planted.log");
    driver::Process tool("\"" + program.File("QelmoraKeyTool.exe") + "\"",
                         {{"KEYLIB_STORE", store.Path()},
                          {"KEYTOOL_CALL_LOG", logs.File("calls.log")},
                          {"KEYTOOL_PLATFORM_LOG", logs.File("platform.log")},
                          {"KEYTOOL_PLANTED_LOG", planted}},
                         current.Path());
    HWND main = driver::WaitMainWindow(tool.Id());
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(GetWindowLongPtrA(main, GWLP_USERDATA), kTag);
    // Leaving clears the secure-channel caches through both libraries.
    PostMessageA(main, WM_KEYTOOL_EXIT, 0, 0);
    ASSERT_TRUE(tool.WaitExit(10000));

    EXPECT_EQ(driver::ReadFile(planted), "");
    const std::vector<std::string> platform = driver::ReadLines(logs.File("platform.log"));
    EXPECT_EQ(e2e::Count(platform, "SslEmptyCacheW(null,0)"), 1u);
    EXPECT_EQ(e2e::Count(platform, "IncrementUrlCacheHeaderData(14)"), 1u);
}

}  // namespace
