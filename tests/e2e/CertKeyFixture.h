// A virtual key with real certificates, and the program on it with its
// certificate page found: container DemoUser (position 0) holds a kind-1 and a
// kind-2 certificate, DemoCorp (position 1) a kind-2 one. The program's
// temporary directory is a folder of the test's own.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/e2e/CertSupport.h"
#include "tests/e2e/TreeReader.h"
#include "tests/e2e/VirtualKeys.h"

namespace e2e {

constexpr char kUserEnc[] = "演示用户 加密";
constexpr char kUserSign[] = "演示用户 签名";
constexpr char kCorpSign[] = "演示企业 签名";
constexpr char kKeyLabel[] = "证书测试";
constexpr char kPassword[] = "Pass-2026";
constexpr int kView = 1015;
constexpr int kDelete = 1018;
constexpr int kSysCheck = 1019;
constexpr int kDownload = 1020;

inline const std::vector<std::string> kFullTree = {"USBKEY: +",
                                                   "  容器0  名字＝DemoUser",
                                                   "    演示用户 加密 [1]",
                                                   "    演示用户 签名 [1]",
                                                   "  容器1  名字＝DemoCorp",
                                                   "    演示企业 签名 [1]",
                                                   "  容器2  空",
                                                   "  容器3  空",
                                                   "  容器4  空",
                                                   "  容器5  空"};

class CertKeyTest : public ::testing::Test {
protected:
    void SetUp() override {
        userEnc = MakeSelfSignedCert(L"演示用户 加密");
        userSign = MakeSelfSignedCert(L"演示用户 签名");
        corpSign = MakeSelfSignedCert(L"演示企业 签名");
        ASSERT_FALSE(userEnc.empty() || userSign.empty() || corpSign.empty());
        driver::WriteFile(certs.File("user-enc.der"), userEnc);
        driver::WriteFile(certs.File("user-sign.der"), userSign);
        driver::WriteFile(certs.File("corp-sign.der"), corpSign);
        ASSERT_EQ(keys.Admin({"create", "k1", "--label", kKeyLabel, "--password", kPassword,
                              "--status", "2"}),
                  0);
        ASSERT_EQ(keys.Admin({"cert", "k1", "DemoUser", "1", certs.File("user-enc.der")}), 0);
        ASSERT_EQ(keys.Admin({"cert", "k1", "DemoUser", "2", certs.File("user-sign.der")}), 0);
        ASSERT_EQ(keys.Admin({"cert", "k1", "DemoCorp", "2", certs.File("corp-sign.der")}), 0);
        ASSERT_EQ(keys.Admin({"plug", "k1"}), 0);

        // The program inherits the temporary directory of the test.
        savedTmp = Env("TMP");
        savedTemp = Env("TEMP");
        SetEnvironmentVariableA("TMP", temp.Path().c_str());
        SetEnvironmentVariableA("TEMP", temp.Path().c_str());
        process = &keys.StartRecorded();
        main = driver::WaitMainWindow(process->Id());
        ASSERT_NE(main, nullptr);
        ASSERT_TRUE(driver::WaitUntil([&] { return driver::ItemText(main, 1001) == kKeyLabel; }));
        tree = FindCertTree(main);
        ASSERT_NE(tree, nullptr);
        page = GetParent(tree);
        reader = std::make_unique<TreeReader>(tree);
        ASSERT_TRUE(driver::WaitUntil([&] { return reader->Lines() == kFullTree; }))
            << ::testing::PrintToString(reader->Lines());
    }

    void TearDown() override {
        SetEnvironmentVariableA("TMP", savedTmp.empty() ? nullptr : savedTmp.c_str());
        SetEnvironmentVariableA("TEMP", savedTemp.empty() ? nullptr : savedTemp.c_str());
        // Ended by its exit command, the program takes its certificates out of
        // the user's store again.
        if (main && process->Running()) {
            PostMessageA(main, WM_USER + 1, 0, 0);
            process->WaitExit(10000);
        }
    }

    HWND Button(int id) const { return GetDlgItem(page, id); }
    // Selects the item and waits until the view button shows the page took it.
    bool SelectItem(const std::string& text, bool viewEnabled) const {
        HTREEITEM item = reader->Find(text);
        if (!item) return false;
        reader->Select(item);
        return driver::WaitUntil([&] {
            return reader->Selected() == item && driver::Enabled(Button(kView)) == viewEnabled;
        });
    }
    std::string TempCertFile() const { return temp.File("~certdemotemp~.cer"); }
    // The message box of the program, other than the main window, that opens next.
    driver::MessageBoxInfo NextBox() const {
        driver::MessageBoxInfo box;
        EXPECT_TRUE(driver::WaitMessageBox(process->Id(), &box, {main}));
        return box;
    }

    VirtualKeys keys;
    driver::TempDir certs;
    driver::TempDir temp;
    std::string userEnc, userSign, corpSign;
    driver::Process* process = nullptr;
    HWND main = nullptr;
    HWND page = nullptr;
    HWND tree = nullptr;
    std::unique_ptr<TreeReader> reader;

private:
    static std::string Env(const char* name) {
        char value[MAX_PATH] = {};
        const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
        return length < sizeof value ? std::string(value, length) : std::string();
    }

    std::string savedTmp;
    std::string savedTemp;
};

}  // namespace e2e
