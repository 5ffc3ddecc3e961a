// What the program undoes when it ends or the Windows logon ends: the
// certificates it loaded and the cached secure-channel sessions.
#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/RecordingTool.h"

namespace {

const std::vector<std::string> kCacheClearing = {
    "LoadLibraryA(SCHANNEL.DLL)",      "LoadLibraryA(WININET.DLL)", "SslEmptyCacheW(null,0)",
    "IncrementUrlCacheHeaderData(14)", "FreeLibrary(SCHANNEL.DLL)", "FreeLibrary(WININET.DLL)"};

std::vector<std::string> WithoutIcon(const std::vector<std::string>& calls) {
    std::vector<std::string> rest;
    for (const auto& call : calls) {
        if (call.rfind("Shell_NotifyIconA", 0) != 0) rest.push_back(call);
    }
    return rest;
}

class Shutdown : public ::testing::Test {
protected:
    void SetUp() override {
        process = &tool.Start();
        main = driver::WaitMainWindow(process->Id());
        ASSERT_NE(main, nullptr);
    }

    e2e::RecordingTool tool{"slots\n"};
    driver::Process* process = nullptr;
    HWND main = nullptr;
};

TEST_F(Shutdown, ExitUnloadsCertificatesThenClearsBothCaches) {
    const size_t calls = tool.Calls().size();
    PostMessageA(main, WM_USER + 1, 0, 0);
    ASSERT_TRUE(process->WaitExit(10000));
    EXPECT_EQ(WithoutIcon(tool.ShellCalls()), kCacheClearing);
    ASSERT_EQ(tool.Calls().size(), calls + 1);
    EXPECT_EQ(tool.Calls().back(), "CSP_UnloadIECert()");
}

TEST_F(Shutdown, EndOfLogonDoesTheSameAndLetsItEnd) {
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutA(main, WM_QUERYENDSESSION, 0, 0, SMTO_BLOCK, 5000, &answer));
    EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE));
    EXPECT_EQ(WithoutIcon(tool.ShellCalls()), kCacheClearing);
    EXPECT_EQ(tool.Calls().back(), "CSP_UnloadIECert()");
    EXPECT_TRUE(process->Running());
}

}  // namespace
