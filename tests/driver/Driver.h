// Drives the real program from outside, as a person and other processes do:
// start it, find its windows, read their texts, click, type, send and post.
#pragma once

#include <windows.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace driver {

extern const char kMainTitle[];  // GBK
constexpr char kDialogClass[] = "#32770";
constexpr DWORD kDefaultTimeoutMs = 10000;
// How the programs name their own build in logs and reports, as a regular expression;
// they are built for the tests' architecture.
inline const std::string kBuildBits = sizeof(void*) == 8 ? R"(\(64-bit\))" : R"(\(32-bit\))";

// Polls until the condition holds; false on time-out.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = kDefaultTimeoutMs);

// A flat folder under the temporary directory, removed with its files.
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

// A started process, ended with the object unless it ended by itself.
class Process {
public:
    // An empty directory leaves the process in the test's own current folder; a suspended one
    // runs once resumed. With output, what the process prints goes to that handle.
    explicit Process(const std::string& commandLine,
                     const std::map<std::string, std::string>& environment = {},
                     const std::string& directory = "", bool suspended = false,
                     HANDLE output = nullptr);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    DWORD Id() const { return m_info.dwProcessId; }
    void Resume() const { ResumeThread(m_info.hThread); }
    bool Running() const { return m_info.hProcess && !WaitExit(0); }
    // True when it ended within the time; its exit code goes to code.
    bool WaitExit(DWORD timeoutMs, DWORD* code = nullptr) const;

private:
    PROCESS_INFORMATION m_info{};
};

// Runs the command to its end: its exit code, -1 when it did not end within the time; what it
// printed goes to output when given.
int Run(const std::string& commandLine, const std::map<std::string, std::string>& environment = {},
        std::string* output = nullptr, DWORD timeoutMs = 60000);

// How the user's "MY" store holds the certificate with this subject: "absent", or the container
// and key spec it was registered with ("" when none). Remove deletes it from the registry store.
std::string InMyStore(const std::string& subject, bool remove = false);

// Wine's Unix name of a file or folder, "" when it has none.
std::string UnixName(const std::filesystem::path& path);

// Top-level windows of the class (of the process, or of any when pid is 0).
std::vector<HWND> TopLevelWindows(DWORD pid, const char* className);
// The visible dialogs with the caption, and the last of them once one is shown (or null).
std::vector<HWND> Dialogs(DWORD pid, const std::string& caption);
HWND WaitDialog(DWORD pid, const std::string& caption, DWORD timeoutMs = kDefaultTimeoutMs);
// The program's main window, once it carries its instance tag.
HWND WaitMainWindow(DWORD pid, DWORD timeoutMs = kDefaultTimeoutMs);
// Returns when the window's thread has handled what was sent before.
bool Sync(HWND hwnd);

// Texts are read in UTF-16 and handed over in GBK, whatever the run's code page.
std::string Text(HWND hwnd);
std::string ItemText(HWND dialog, int id);
std::vector<std::string> ComboItems(HWND combo);
// The name a screen reader gives the window, as oleacc reads it from outside.
std::string AccessibleName(HWND hwnd);
bool Visible(HWND hwnd);
bool Enabled(HWND hwnd);

struct MessageBoxInfo {
    HWND hwnd = nullptr;
    std::string caption;
    std::string text;
    UINT icon = 0;  // MB_ICONWARNING, MB_ICONINFORMATION, MB_ICONERROR, MB_ICONQUESTION, 0
};
// Waits for a message box of the process other than the excluded windows; the
// icon is recognised from the pixels shown.
bool WaitMessageBox(DWORD pid, MessageBoxInfo* box, const std::vector<HWND>& exclude,
                    DWORD timeoutMs = kDefaultTimeoutMs);
// Presses a button of a box or dialog and waits for the window to go.
bool Press(HWND dialog, int buttonId, DWORD timeoutMs = kDefaultTimeoutMs);

// The pixels shown on the screen in a rectangle of screen coordinates, row by
// row, as 0x00RRGGBB.
std::vector<DWORD> ScreenPixels(const RECT& rect);

void Click(HWND button);
// The tests' texts are GBK, whatever code page the run has; the windows speak UTF-16.
inline std::string Gbk(std::wstring_view text) {
    std::string bytes(text.size() * 2, '\0');
    bytes.resize(static_cast<size_t>(
        WideCharToMultiByte(936, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                            static_cast<int>(bytes.size()), nullptr, nullptr)));
    return bytes;
}
// Types GBK bytes as keyboard characters in UTF-16, each handled before the next.
void Type(HWND control, const std::string& bytes);
void PressKey(HWND target, UINT virtualKey);
// Presses the keys together on the keyboard, as a person does, into the
// window brought to the foreground: modifiers count, unlike with PressKey.
void PressChord(HWND window, const std::vector<UINT>& virtualKeys);
HWND FocusOf(HWND window);

}  // namespace driver
