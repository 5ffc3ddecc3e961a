// The program beside the pass-through key library on virtual keys of the test's own, driven on
// one of its pages as a person does.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
// windows.h must come first.
#include <commctrl.h>

#include <string>

#include "app/Messages.h"
#include "res/resource.h"
#include "tests/e2e/VirtualKeys.h"

namespace e2e {

class PagesTest : public ::testing::Test {
protected:
    // Starts the program, waits for the first key and shows the tab of the page with the control.
    void Open(const std::string& label, int tab, int control) {
        pid = keys.StartRecorded().Id();
        main = driver::WaitMainWindow(pid);
        ASSERT_TRUE(driver::WaitUntil([&] { return driver::ItemText(main, IDC_KEYS) == label; }));
        ShowPage(tab, control);
    }
    void ShowPage(int tab, int control) {
        HWND tabs = GetDlgItem(main, IDC_TAB);
        page = nullptr;
        while ((page = FindWindowExA(tabs, page, driver::kDialogClass, nullptr)) &&
               !Item(control)) {
        }
        SendMessageA(tabs, TCM_SETCURFOCUS, tab, 0);
        ASSERT_TRUE(page && driver::WaitUntil([&] { return driver::Visible(page); }));
    }
    // Ended by its exit command, the program takes its certificates out of the user's store.
    void TearDown() override {
        PostMessageA(main, WM_KEYTOOL_EXIT, 0, 0);
        driver::WaitUntil([&] { return !IsWindow(main); });
    }

    HWND Item(int id) const { return GetDlgItem(page, id); }
    std::string Text(int id) const { return driver::ItemText(page, id); }
    // Empties the edit and types the bytes; what the edit then shows.
    std::string Type(int id, const std::string& bytes) const {
        SendMessageA(Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
        return driver::Type(Item(id), bytes), Text(id);
    }
    // The next message box, closed with the button; an empty one when none comes in time.
    driver::MessageBoxInfo Box(int button = IDOK, DWORD timeoutMs = 10000) const {
        driver::MessageBoxInfo box;
        if (driver::WaitMessageBox(pid, &box, {main}, timeoutMs)) driver::Press(box.hwnd, button);
        return box;
    }
    // The top-level dialog with this caption, if any.
    static HWND Dialog(const char* caption) {
        return FindWindowW(L"#32770", driver::Wide(caption).c_str());
    }
    void AnswerPrompt(const std::string& password, int button) const {
        ASSERT_TRUE(
            driver::WaitUntil([] { return driver::Visible(Dialog("验证UsbKey用户密码")); }));
        driver::Type(GetDlgItem(Dialog("验证UsbKey用户密码"), 1201), password);
        ASSERT_TRUE(driver::Press(Dialog("验证UsbKey用户密码"), button));
    }
    std::string Calls() const {  // the key-library calls, one a line
        std::string calls;
        for (const std::string& call : keys.Calls()) calls += call + "\n";
        return calls;
    }

    VirtualKeys keys;
    DWORD pid = 0;
    HWND main = nullptr;
    HWND page = nullptr;
};

}  // namespace e2e
