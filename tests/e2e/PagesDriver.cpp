#include "tests/e2e/PagesDriver.h"

#include <commctrl.h>

namespace e2e {

HWND FindPage(HWND main, int controlId, const char* controlClass) {
    HWND tab = GetDlgItem(main, 1014);
    for (HWND page = FindWindowExA(tab, nullptr, driver::kDialogClass, nullptr); page;
         page = FindWindowExA(tab, page, driver::kDialogClass, nullptr)) {
        HWND control = GetDlgItem(page, controlId);
        char name[32] = {};
        if (control) GetClassNameA(control, name, sizeof name);
        if (control && lstrcmpiA(name, controlClass) == 0) return page;
    }
    return nullptr;
}

namespace {

// The tab item's rectangle, read through memory of the program's own: tab
// control messages carry no marshalled pointers.
bool TabItemRect(HWND tab, int index, RECT* rect) {
    DWORD pid = 0;
    GetWindowThreadProcessId(tab, &pid);
    HANDLE process =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process) return false;
    void* remote = VirtualAllocEx(process, nullptr, sizeof(RECT), MEM_COMMIT, PAGE_READWRITE);
    bool ok = false;
    if (remote) {
        DWORD_PTR answer = 0;
        ok = SendMessageTimeoutA(tab, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(remote),
                                 SMTO_BLOCK, driver::kDefaultTimeoutMs, &answer) &&
             answer && ReadProcessMemory(process, remote, rect, sizeof(RECT), nullptr);
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
    return ok;
}

}  // namespace

bool SelectTab(HWND main, int tab, HWND page) {
    HWND tabs = GetDlgItem(main, 1014);
    RECT item;
    if (!TabItemRect(tabs, tab, &item)) return false;
    const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    PostMessageA(tabs, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(tabs, WM_LBUTTONUP, 0, at);
    return driver::WaitUntil([&] {
        return SendMessageA(tabs, TCM_GETCURSEL, 0, 0) == tab &&
               (GetWindowLongA(page, GWL_STYLE) & WS_VISIBLE);
    });
}

bool SettleEdit(HWND edit) {
    // Posted messages are handled in order (a sent one may overtake them): once
    // a posted marker has had its effect, so has everything posted before it.
    // A selection of (1, 1) is the marker; the caret goes back to the end.
    PostMessageA(edit, EM_SETSEL, 1, 1);
    const bool settled =
        driver::WaitUntil([&] { return SendMessageA(edit, EM_GETSEL, 0, 0) == MAKELRESULT(1, 1); });
    const WPARAM end = static_cast<WPARAM>(GetWindowTextLengthA(edit));
    SendMessageA(edit, EM_SETSEL, end, end);
    return settled;
}

bool Activate(HWND main) {
    SetForegroundWindow(main);
    return driver::WaitUntil([&] { return GetForegroundWindow() == main; });
}

bool Fill(HWND edit, const std::string& bytes) {
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
    driver::Type(edit, bytes);
    return driver::Text(edit) == bytes;
}

std::vector<HWND> MessageBoxes(DWORD pid) {
    std::vector<HWND> boxes;
    for (HWND hwnd : driver::TopLevelWindows(pid, driver::kDialogClass)) {
        if (driver::Text(hwnd) != driver::kMainTitle && GetDlgItem(hwnd, 0xFFFF)) {
            boxes.push_back(hwnd);
        }
    }
    return boxes;
}

HWND WaitDialog(DWORD pid, const std::string& caption, DWORD timeoutMs) {
    HWND found = nullptr;
    driver::WaitUntil(
        [&] {
            for (HWND hwnd : driver::TopLevelWindows(pid, driver::kDialogClass)) {
                if (driver::Visible(hwnd) && driver::Text(hwnd) == caption) {
                    found = hwnd;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

bool ClickAndWait(HWND button, DWORD timeoutMs) {
    DWORD_PTR answer = 0;
    return SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_BLOCK, timeoutMs, &answer) != 0;
}

int ComboSelection(HWND combo) { return static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0)); }

}  // namespace e2e
