// The key pages inside the main window's tab control, driven as a person
// does: pick a tab, type into an edit, press a button, read what is shown.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/driver/Driver.h"

namespace e2e {

enum PageTab { kCertificateTab = 0, kPasswordTab = 1, kLabelTab = 2 };

// The page window of the main window that holds a control of this id and class.
HWND FindPage(HWND main, int controlId, const char* controlClass = "Edit");
// Clicks the tab item with the mouse; true once the tab is selected and its
// page visible.
bool SelectTab(HWND main, int tab, HWND page);

// Makes the window the foreground window, as the click of a person who works
// in it does; a box closing hands the focus back only to an active window.
bool Activate(HWND main);

// Empties the edit, types the bytes and checks that the edit shows them.
bool Fill(HWND edit, const std::string& bytes);
// Waits until everything posted to the thread of the edit (which holds text)
// before has been handled.
bool SettleEdit(HWND edit);

// The message boxes the process has now, shown or about to be.
std::vector<HWND> MessageBoxes(DWORD pid);
// A top-level dialog of the process with that caption, once it is visible.
HWND WaitDialog(DWORD pid, const std::string& caption, DWORD timeoutMs = driver::kDefaultTimeoutMs);
// Clicks the button and waits until its handler has returned; false when a
// handler stays busy, for example because it shows a modal box.
bool ClickAndWait(HWND button, DWORD timeoutMs = 5000);

int ComboSelection(HWND combo);

}  // namespace e2e
