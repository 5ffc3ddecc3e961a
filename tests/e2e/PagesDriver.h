// The program beside the pass-through key library on virtual keys of the test's own, driven on
// one of its pages as a person does.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
// windows.h must come first.
#include <commctrl.h>

#include <string>
#include <vector>

#include "app/Messages.h"
#include "res/resource.h"
#include "tests/e2e/VirtualKeys.h"

namespace e2e {

constexpr char kVerifyPrompt[] = "验证UsbKey用户密码";

class PagesTest : public ProgramTest {
protected:
    // Starts the program, waits for the first key and shows the tab of the page with the control.
    void Open(const std::string& label, int tab, int control) {
        Start();
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
    // Answers the key library's prompt with the caption, of any process: its edits from 1201 on
    // take the texts.
    static void AnswerPrompt(const char* caption, const std::vector<std::string>& texts,
                             int button) {
        HWND prompt = driver::WaitDialog(0, caption);
        ASSERT_NE(prompt, nullptr) << caption;
        for (size_t i = 0; i < texts.size(); ++i) {
            driver::Type(GetDlgItem(prompt, 1201 + static_cast<int>(i)), texts[i]);
        }
        ASSERT_TRUE(driver::Press(prompt, button));
    }
    static void AnswerPrompt(const std::string& password, int button) {
        AnswerPrompt(kVerifyPrompt, {password}, button);
    }
    std::string Calls() const {  // the key-library calls, one a line
        std::string calls;
        for (const std::string& call : keys.Calls()) calls += call + "\n";
        return calls;
    }

    HWND page = nullptr;
};

}  // namespace e2e
