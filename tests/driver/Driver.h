// Drives the real program from outside, as a person and other processes do:
// start it, find its windows, read their texts, click, type, send and post.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace driver {

// GBK title and class of the main window.
extern const char kMainTitle[];
constexpr char kDialogClass[] = "#32770";
constexpr DWORD kDefaultTimeoutMs = 10000;

// Polls until the condition holds; false on time-out.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = kDefaultTimeoutMs);

// A folder under the temporary directory, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "\\" + name; }

private:
    std::string m_path;
};

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
std::vector<std::string> ReadLines(const std::string& path);

// One started process; ended when the object goes unless it ended by itself.
class Process {
public:
    // Starts exe with the current environment plus the given variables.
    Process(const std::string& exe, const std::map<std::string, std::string>& environment = {});
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    DWORD Id() const { return m_info.dwProcessId; }
    bool Running() const;
    // True when the process ended within the time; its exit code goes to code.
    bool WaitExit(DWORD timeoutMs, DWORD* code = nullptr) const;
    void Kill();

private:
    PROCESS_INFORMATION m_info{};
};

// Top-level windows of a process (every process when pid is 0) with that class.
std::vector<HWND> TopLevelWindows(DWORD pid, const char* className);
// The program's main window in the process, once it carries a user-data tag.
HWND WaitMainWindow(DWORD pid, DWORD timeoutMs = kDefaultTimeoutMs);
// Returns when the window's thread has handled everything sent before.
bool Sync(HWND hwnd);

std::string Text(HWND hwnd);
// A combo box's items. Asked in UTF-16 and converted to GBK: Wine hands the
// ANSI item texts of another process back unconverted.
std::vector<std::string> ComboItems(HWND combo);
std::string ItemText(HWND dialog, int id);
bool Visible(HWND hwnd);
bool Enabled(HWND hwnd);

struct MessageBoxInfo {
    HWND hwnd = nullptr;
    std::string caption;
    std::string text;
    UINT icon = 0;  // MB_ICONWARNING, MB_ICONINFORMATION, MB_ICONERROR, MB_ICONQUESTION or 0
};
// Waits for a message box of the process (a dialog other than the excluded windows).
bool WaitMessageBox(DWORD pid, MessageBoxInfo* box, const std::vector<HWND>& exclude,
                    DWORD timeoutMs = kDefaultTimeoutMs);
// Presses a button of a message box or dialog by its id and waits for the box to go.
bool Press(HWND dialog, int buttonId, DWORD timeoutMs = kDefaultTimeoutMs);

// Posts a click to a push button.
void Click(HWND button);
// Types bytes into a control as keyboard characters, each handled before the
// next: Wine's edit takes the two bytes of a posted GBK pair for two characters.
void Type(HWND control, const std::string& bytes);
// Posts a key press (down and up) to a window.
void PressKey(HWND target, UINT virtualKey);
// The control that has the keyboard focus in the thread owning the window.
HWND FocusOf(HWND window);

}  // namespace driver
