// The certificate page on a virtual key with real certificates (its tree read as tests start).
#include <map>

#include "tests/e2e/PagesDriver.h"

namespace {

const std::string kUser =
    "USBKEY: +|>容器0  名字＝DemoUser|>>演示用户 加密 [1]|>>演示用户 签名 [1]|";
const std::string kRest =
    ">容器1  名字＝DemoCorp|>>演示企业 签名 [1]|>容器2  空|>容器3  空|>容器4  空|>容器5  空|";

std::string TempCertFile() {
    char temp[MAX_PATH];
    return std::string(temp, GetTempPathA(MAX_PATH, temp)) + "~certdemotemp~.cer";
}

// Puts a Unix symbolic link at `link`, as another local program could: Wine
// shows it as the file it points at, so only where the writes land tells.
// Wine starts the Unix shell without waiting for it: it leaves a mark when done.
void PlantUnixLink(const std::string& target, const std::string& link) {
    DeleteFileA(link.c_str());
    const std::string done = link + ".planted";
    ASSERT_FALSE(driver::UnixName(target).empty() || driver::UnixName(link).empty());
    const driver::Process shell("Z:\\bin\\sh -c \"ln -sfn " + driver::UnixName(target) + " " +
                                driver::UnixName(link) + " && touch " + driver::UnixName(done) +
                                "\"");
    ASSERT_TRUE(driver::WaitUntil(
        [&] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; }));
    DeleteFileA(done.c_str());
}

class CertPage : public e2e::PagesTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(keys.AddKey("k", "证书Key", {}, false));
        const wchar_t* names[] = {L"演示用户 加密", L"演示用户 签名", L"演示企业 签名"};
        for (int i = 0; i < 3; ++i) {
            driver::WriteFile(dir.File("c.der"),
                              ders.emplace_back(e2e::SelfSignedCertificate(
                                  L"CN=" + std::wstring(names[i]) + L", O=Qelmora Bank")));
            const char* container = i < 2 ? "DemoUser" : "DemoCorp";
            ASSERT_EQ(keys.Admin({"cert", "k", container, i ? "2" : "1", dir.File("c.der")}), 0);
        }
        ASSERT_EQ(keys.Admin({"plug", "k"}), 0);
        Open("证书Key", 0, IDC_CERT_TREE);
        ASSERT_TRUE(driver::WaitUntil([&] { return Tree() == kUser + kRest; })) << Tree();
    }

    // The items: ">" per level, the text, "[n]" state image n, "+" expanded. The item
    // goes through memory of the program's: tree-view messages carry no pointers across.
    std::string Tree() {
        struct Remote {
            TVITEMW item;
            wchar_t text[260];
        };
        HANDLE program =
            OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        auto* remote = static_cast<Remote*>(
            VirtualAllocEx(program, nullptr, sizeof(Remote), MEM_COMMIT, PAGE_READWRITE));
        const auto next = [&](HTREEITEM item, UINT code) {
            return HTREEITEM(
                SendMessageA(Item(IDC_CERT_TREE), TVM_GETNEXTITEM, code, LPARAM(item)));
        };
        std::string tree;
        const auto collect = [&](const auto& self, HTREEITEM item,
                                 const std::string& depth) -> void {
            for (; item; item = next(item, TVGN_NEXT)) {
                Remote answer{};
                answer.item.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_STATE, answer.item.hItem = item;
                answer.item.stateMask = 0xFFFF, answer.item.pszText = remote->text,
                answer.item.cchTextMax = 260;
                WriteProcessMemory(program, remote, &answer, sizeof answer, nullptr);
                SendMessageA(Item(IDC_CERT_TREE), TVM_GETITEMW, 0, LPARAM(&remote->item));
                ReadProcessMemory(program, remote, &answer, sizeof answer, nullptr);
                const std::string text = driver::Gbk(answer.text);
                handles[text] = item;
                const UINT image = (answer.item.state & TVIS_STATEIMAGEMASK) >> 12;
                tree += depth + text + (image ? " [" + std::to_string(image) + "]" : "") +
                        (answer.item.state & TVIS_EXPANDED ? " +|" : "|");
                self(self, next(item, TVGN_CHILD), depth + ">");
            }
        };
        collect(collect, next(nullptr, TVGN_ROOT), "");
        VirtualFreeEx(program, remote, 0, MEM_RELEASE);
        return CloseHandle(program), tree;
    }
    // Selects an item the set-up read; true once the view button follows.
    bool Select(const std::string& text) {
        PostMessageA(Item(IDC_CERT_TREE), TVM_SELECTITEM, TVGN_CARET, LPARAM(handles[text]));
        return driver::WaitUntil([&] { return driver::Enabled(Item(IDC_VIEW_CERT)); });
    }

    driver::TempDir dir;
    std::vector<std::string> ders;
    std::map<std::string, HTREEITEM> handles;  // by text, as the last reading found them
};

TEST_F(CertPage, DeletionThroughBothConfirmationsAndThePrompt) {
    ASSERT_TRUE(Select("演示用户 签名"));
    // Enter answers either question 否, and nothing reaches the key.
    for (int yeses = 0; yeses < 2; ++yeses) {
        driver::Click(Item(IDC_DELETE_CERT));
        for (int i = 0; i < yeses; ++i) Box(IDYES);
        driver::MessageBoxInfo question;
        ASSERT_TRUE(driver::WaitMessageBox(pid, &question, {main}));
        driver::PressKey(question.hwnd, VK_RETURN);
        EXPECT_TRUE(driver::WaitUntil([&] { return !IsWindow(question.hwnd); })) << yeses;
    }
    EXPECT_TRUE(driver::Sync(main));
    EXPECT_EQ(Calls().find("CSP_Reset"), std::string::npos);
    driver::Click(Item(IDC_DELETE_CERT));
    const driver::MessageBoxInfo first = Box(IDYES);
    EXPECT_EQ(first.text + " " + std::to_string(first.icon), "确实要删除证书吗？ 32");  // question
    EXPECT_EQ(Box(IDYES).text,
              "确实要把证书删除吗？删除证书可能会导致您不能进入网上银行证书版系统！");
    AnswerPrompt("Pass-2026", IDOK);
    EXPECT_TRUE(driver::WaitUntil([&] { return Tree() == "USBKEY: +|>容器0  空|" + kRest; }));
    const std::string steps = "CSP_Reset(1)\nCSP_VerifyPassword(1,1,null)\n";
    EXPECT_NE(Calls().find(steps + "CSP_DeleteContainerByName(1,\"DemoUser\")\n"),
              std::string::npos);
}

TEST_F(CertPage, SystemCheckFindsNoServiceAndHoldsTheMainWindow) {
    // Wine has no smart-card service.
    const std::string notNormal = "智能卡服务不正常......!\r\n运行环境不正常.....!";
    driver::Click(Item(IDC_SYS_CHECK));
    HWND check = driver::WaitDialog(pid, "QelmoraUSBKEY检测工具");
    EXPECT_TRUE(
        driver::WaitUntil([&] { return driver::ItemText(check, IDC_SERVICE_TEXT) == notNormal; }));
    EXPECT_TRUE(GetWindowLongA(GetDlgItem(check, IDC_SERVICE_TEXT), GWL_STYLE) & ES_READONLY);
    EXPECT_EQ(driver::AccessibleName(GetDlgItem(check, IDC_SERVICE_TEXT)), "检测结果");
    // Opened "with no parent", it is the main window's, which waits for it.
    EXPECT_EQ(GetWindow(check, GW_OWNER), main);
    EXPECT_FALSE(driver::Enabled(main));
    EXPECT_TRUE(driver::Press(check, IDCANCEL));
    EXPECT_TRUE(driver::Enabled(main));
}

TEST_F(CertPage, ViewWritesTheTemporaryFileNeverThroughALinkAndItGoesAtExit) {
    const std::string file = TempCertFile();
    const std::string victim = dir.File("victim.txt"), absent = dir.File("absent.txt");
    const auto opened = [&] {
        return e2e::Count(keys.ShellCalls(), "ShellExecuteW(open," + file + ",null,5)");
    };
    const auto view = [&](const std::string& cert, size_t opens) {
        ASSERT_TRUE(Select(cert));
        driver::Click(Item(IDC_VIEW_CERT));
        EXPECT_TRUE(driver::WaitUntil([&] { return opened() == opens; }))
            << cert << ::testing::PrintToString(keys.ShellCalls());
    };
    driver::WriteFile(victim, "victim");

    PlantUnixLink(victim, file);
    ASSERT_EQ(driver::ReadFile(file), "victim");
    view("演示用户 加密", 1);
    EXPECT_EQ(driver::ReadFile(victim), "victim");
    EXPECT_EQ(driver::ReadFile(file), ders[0]);

    PlantUnixLink(absent, file);  // pointing nowhere yet
    view("演示企业 签名", 2);
    EXPECT_EQ(GetFileAttributesA(absent.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(driver::ReadFile(file), ders[2]);

    // A second name of a file is refused outright.
    DeleteFileA(file.c_str());
    ASSERT_TRUE(CreateHardLinkA(file.c_str(), victim.c_str(), nullptr));
    ASSERT_TRUE(Select("演示用户 签名"));
    driver::Click(Item(IDC_VIEW_CERT));
    EXPECT_EQ(Box().text, "创建临时文件失败");
    EXPECT_EQ(driver::ReadFile(victim), "victim");
    EXPECT_EQ(opened(), 2u);

    // What the view wrote goes when the program ends.
    DeleteFileA(file.c_str());
    view("演示用户 签名", 3);
    EXPECT_EQ(driver::ReadFile(file), ders[1]);

    // Without a handler for .cer the system's certificate dialog shows it, and the log says so;
    // Enter on a certificate in the tree views it as the button does.
    keys.DropCerHandler();
    ASSERT_TRUE(Select("演示用户 加密"));
    driver::PressKey(Item(IDC_CERT_TREE), VK_RETURN);
    EXPECT_TRUE(driver::WaitUntil([&] { return opened() == 4; }));
    const std::string dialog =
        "CryptUIDlgViewContext(1," + std::to_string(ders[0].size()) + " bytes,top-level)";
    EXPECT_TRUE(driver::WaitUntil([&] { return e2e::Count(keys.ShellCalls(), dialog) == 1; }));
    // The program writes the line after the dialog returns: read until it is there.
    std::string log;
    EXPECT_TRUE(driver::WaitUntil([&] {
        log = driver::ReadFile(keys.LogFile());
        return log.find("certificate view: no handler for .cer, the system's certificate dialog") !=
               std::string::npos;
    }));
    EXPECT_NE(log.find("certificate view: the shell's handler for .cer"), std::string::npos);
    Exit();
    EXPECT_TRUE(driver::WaitUntil(
        [&] { return GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES; }));
    EXPECT_EQ(driver::ReadFile(victim), "victim");
}

}  // namespace
