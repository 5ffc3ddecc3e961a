// What the password page leaves in the program's memory: while the box that
// answers a change is open, no typed password is left on the stack of the
// program's window thread, whichever way the change ended.
#include "tests/e2e/PagesDriver.h"

namespace {

constexpr int kOld = IDC_OLD_PASSWORD, kNew = IDC_NEW_PASSWORD, kRepeat = IDC_REPEAT_PASSWORD;

// Sixteen bytes each: no shorter copy fits a string's inline buffer on the way
// through the key library.
const std::string kOldPassword = "Wiped-Old-Pass16", kNewPassword = "Wiped-New-Pass16",
                  kOtherPassword = "Wiped-Oth-Pass16";

class PasswordMemory : public e2e::PagesTest {
protected:
    void SetUp() override {
        ASSERT_EQ(keys.Admin({"create", "k", "--label", "密钥", "--password", "Start-2026"}), 0);
        ASSERT_EQ(keys.Admin({"plug", "k"}), 0);
        Open("密钥", 1, kOld);
    }
    // The live part of the window thread's stack, from its stack pointer up,
    // read while the thread is held.
    std::string LiveStack() const {
        const DWORD thread = GetWindowThreadProcessId(main, nullptr);
        HANDLE held = OpenThread(THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT, FALSE, thread);
        HANDLE process = OpenProcess(PROCESS_VM_READ | PROCESS_QUERY_INFORMATION, FALSE, pid);
        std::string stack;
        CONTEXT context{};
        context.ContextFlags = CONTEXT_CONTROL;
        MEMORY_BASIC_INFORMATION region{};
        if (held && process && SuspendThread(held) != static_cast<DWORD>(-1)) {
            if (GetThreadContext(held, &context) &&
                VirtualQueryEx(process, reinterpret_cast<void*>(context.Esp), &region,
                               sizeof region)) {
                const auto top =
                    reinterpret_cast<DWORD_PTR>(region.BaseAddress) + region.RegionSize;
                stack.resize(top - context.Esp);
                SIZE_T read = 0;
                ReadProcessMemory(process, reinterpret_cast<void*>(context.Esp), stack.data(),
                                  stack.size(), &read);
                stack.resize(read);
            }
            ResumeThread(held);
        }
        if (held) CloseHandle(held);
        if (process) CloseHandle(process);
        return stack;
    }
    // Types the passwords and presses the button; with the box open, which
    // typed passwords the stack holds; then the box's text.
    std::string ChangeAndLook(const std::string& repeat, std::string* boxText) {
        Type(kOld, kOldPassword), Type(kNew, kNewPassword), Type(kRepeat, repeat);
        driver::Click(Item(IDC_CHANGE_PASSWORD));
        driver::MessageBoxInfo box;
        EXPECT_TRUE(driver::WaitMessageBox(pid, &box, {main}));
        const std::string stack = LiveStack();
        EXPECT_FALSE(stack.empty());
        *boxText = box.text;
        driver::Press(box.hwnd, IDOK);
        std::string found;
        for (const std::string* password : {&kOldPassword, &kNewPassword, &kOtherPassword}) {
            if (stack.find(*password) != std::string::npos) found += *password + " ";
        }
        return found;
    }
};

TEST_F(PasswordMemory, NoTypedPasswordStaysOnTheStackWhileTheBoxIsOpen) {
    std::string box;
    EXPECT_EQ(ChangeAndLook(kOtherPassword, &box), "");  // refused by the rules
    EXPECT_EQ(box, "两次输入的新密码应相同！");
    EXPECT_EQ(ChangeAndLook(kNewPassword, &box), "");  // refused by the key
    EXPECT_EQ(box, "用户密码不正确！还有5次可试机会。");
    EXPECT_NE(Calls().find("CSP_ChangePassword"), std::string::npos);
}

}  // namespace
