#include "tests/driver/Driver.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace driver {

const char kMainTitle[] = "QelmoraUsbKey管理工具";

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start > timeoutMs) return condition();
        Sleep(20);
    }
}

TempDir::TempDir() {
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    static unsigned counter = 0;
    char name[MAX_PATH];
    std::snprintf(name, sizeof name, "%skeytool-test-%lu-%u", base, GetCurrentProcessId(),
                  ++counter);
    m_path = name;
    CreateDirectoryA(m_path.c_str(), nullptr);
}

TempDir::~TempDir() {
    // Tests make flat folders (files and empty subfolders).
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((m_path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            const std::string path = m_path + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveDirectoryA(path.c_str());
            } else {
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(m_path.c_str());
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

Process::Process(const std::string& exe, const std::map<std::string, std::string>& environment) {
    for (const auto& [name, value] : environment)
        SetEnvironmentVariableA(name.c_str(), value.c_str());
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::string command = "\"" + exe + "\"";
    CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                   &startup, &m_info);
    for (const auto& entry : environment) SetEnvironmentVariableA(entry.first.c_str(), nullptr);
}

Process::~Process() {
    Kill();
    if (m_info.hProcess) CloseHandle(m_info.hProcess);
    if (m_info.hThread) CloseHandle(m_info.hThread);
}

bool Process::Running() const {
    return m_info.hProcess && WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT;
}

bool Process::WaitExit(DWORD timeoutMs, DWORD* code) const {
    if (!m_info.hProcess || WaitForSingleObject(m_info.hProcess, timeoutMs) != WAIT_OBJECT_0) {
        return false;
    }
    DWORD exitCode = 0;
    GetExitCodeProcess(m_info.hProcess, &exitCode);
    if (code) *code = exitCode;
    return true;
}

void Process::Kill() {
    if (Running()) {
        TerminateProcess(m_info.hProcess, 1);
        WaitForSingleObject(m_info.hProcess, 5000);
    }
}

namespace {

struct WindowSearch {
    DWORD pid;
    const char* className;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM lp) {
    auto* search = reinterpret_cast<WindowSearch*>(lp);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    char className[64] = {};
    GetClassNameA(hwnd, className, sizeof className);
    if ((search->pid == 0 || owner == search->pid) && std::string(className) == search->className) {
        search->found.push_back(hwnd);
    }
    return TRUE;
}

HWND ChildWithStyle(HWND dialog, const char* className, DWORD typeMask, DWORD type) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char name[32] = {};
        GetClassNameA(child, name, sizeof name);
        const DWORD style = static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE));
        if (lstrcmpiA(name, className) == 0 && (style & typeMask) == type && (style & WS_VISIBLE)) {
            return child;
        }
    }
    return nullptr;
}

// Pixels of a screen rectangle, read back as 32-bit colours.
std::vector<DWORD> Capture(HDC source, int x, int y, int width, int height) {
    HDC memory = CreateCompatibleDC(source);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
    GdiFlush();
    std::vector<DWORD> pixels(static_cast<const DWORD*>(bits),
                              static_cast<const DWORD*>(bits) + width * height);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return pixels;
}

// The message box's icon as a person sees it: its pixels compared with each
// system icon drawn the same way.
UINT IconOf(HWND box) {
    HWND icon = ChildWithStyle(box, "Static", SS_TYPEMASK, SS_ICON);
    if (!icon) return 0;
    RECT rect;
    GetWindowRect(icon, &rect);
    const int width = GetSystemMetrics(SM_CXICON);
    const int height = GetSystemMetrics(SM_CYICON);
    HDC screen = GetDC(nullptr);
    const std::vector<DWORD> shown = Capture(screen, rect.left, rect.top, width, height);
    ReleaseDC(nullptr, screen);

    const struct {
        LPCSTR resource;
        UINT flag;
    } candidates[] = {{IDI_EXCLAMATION, MB_ICONWARNING},
                      {IDI_ASTERISK, MB_ICONINFORMATION},
                      {IDI_HAND, MB_ICONERROR},
                      {IDI_QUESTION, MB_ICONQUESTION}};
    for (const auto& candidate : candidates) {
        HDC screenDc = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screenDc);
        HBITMAP bitmap = CreateCompatibleBitmap(screenDc, width, height);
        HGDIOBJ old = SelectObject(memory, bitmap);
        RECT all{0, 0, width, height};
        FillRect(memory, &all, GetSysColorBrush(COLOR_3DFACE));
        DrawIconEx(memory, 0, 0, LoadIconA(nullptr, candidate.resource), width, height, 0, nullptr,
                   DI_NORMAL);
        const std::vector<DWORD> drawn = Capture(memory, 0, 0, width, height);
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screenDc);
        if (drawn == shown) return candidate.flag;
    }
    return MB_ICONMASK;  // an icon, but none of the system's
}

}  // namespace

std::vector<HWND> TopLevelWindows(DWORD pid, const char* className) {
    WindowSearch search{pid, className, {}};
    EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitMainWindow(DWORD pid, DWORD timeoutMs) {
    HWND main = nullptr;
    WaitUntil(
        [&] {
            for (HWND hwnd : TopLevelWindows(pid, kDialogClass)) {
                if (Text(hwnd) == kMainTitle && GetWindowLongA(hwnd, GWL_USERDATA) != 0) {
                    main = hwnd;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    if (main) Sync(main);
    return main;
}

bool Sync(HWND hwnd) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(hwnd, WM_NULL, 0, 0, SMTO_BLOCK, kDefaultTimeoutMs, &result) != 0;
}

std::string Text(HWND hwnd) {
    char text[1024] = {};
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                             SMTO_BLOCK, kDefaultTimeoutMs, &length)) {
        return {};
    }
    return std::string(text, length);
}

std::vector<std::string> ComboItems(HWND combo) {
    std::vector<std::string> items;
    const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t wide[512] = {};
        if (SendMessageW(combo, CB_GETLBTEXTLEN, i, 0) >= 512) continue;
        SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(wide));
        char text[1024] = {};
        WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
        items.push_back(text);
    }
    return items;
}

std::string ItemText(HWND dialog, int id) { return Text(GetDlgItem(dialog, id)); }

bool Visible(HWND hwnd) { return IsWindowVisible(hwnd) != FALSE; }

bool Enabled(HWND hwnd) { return IsWindowEnabled(hwnd) != FALSE; }

bool WaitMessageBox(DWORD pid, MessageBoxInfo* box, const std::vector<HWND>& exclude,
                    DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND hwnd : TopLevelWindows(pid, kDialogClass)) {
                bool excluded = false;
                for (HWND other : exclude) excluded = excluded || other == hwnd;
                if (!excluded && Visible(hwnd) && GetDlgItem(hwnd, 0xFFFF)) {
                    found = hwnd;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    if (!found) return false;
    Sync(found);
    box->hwnd = found;
    box->caption = Text(found);
    box->text = ItemText(found, 0xFFFF);
    // A box still being painted shows only part of its icon.
    WaitUntil([&] { return (box->icon = IconOf(found)) != MB_ICONMASK || !IsWindow(found); }, 2000);
    return true;
}

bool Press(HWND dialog, int buttonId, DWORD timeoutMs) {
    HWND button = GetDlgItem(dialog, buttonId);
    if (!button) return false;
    PostMessageA(button, BM_CLICK, 0, 0);
    return WaitUntil([&] { return !IsWindow(dialog); }, timeoutMs);
}

void Click(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }

void Type(HWND control, const std::string& bytes) {
    for (unsigned char byte : bytes) {
        DWORD_PTR answer = 0;
        SendMessageTimeoutA(control, WM_CHAR, byte, 1, SMTO_BLOCK, kDefaultTimeoutMs, &answer);
    }
}

void PressKey(HWND target, UINT virtualKey) {
    const UINT scan = MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC);
    PostMessageA(target, WM_KEYDOWN, virtualKey, 1 | (scan << 16));
    PostMessageA(target, WM_KEYUP, virtualKey, 1 | (scan << 16) | 0xC0000000u);
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

}  // namespace driver
