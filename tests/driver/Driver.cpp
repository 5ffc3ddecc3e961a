#include "tests/driver/Driver.h"

#include <gtest/gtest.h>
#include <oleacc.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace driver {

const char kMainTitle[] = "QelmoraUsbKey管理工具";

namespace {

// A run claims its code page (KEYTOOL_CODEPAGE, else 936): a locale that Wine
// did not take would test the wrong thing.
class CodePageCheck : public ::testing::Environment {
public:
    void SetUp() override {
        const char* claimed = std::getenv("KEYTOOL_CODEPAGE");
        const char* locale = std::getenv("LC_ALL");
        ASSERT_EQ(GetACP(), claimed ? std::strtoul(claimed, nullptr, 10) : 936ul)
            << "Wine did not take the locale of this run, LC_ALL " << (locale ? locale : "unset");
    }
};
::testing::Environment* const g_codePageCheck =
    ::testing::AddGlobalTestEnvironment(new CodePageCheck);

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    for (const DWORD start = GetTickCount(); !condition(); Sleep(20)) {
        if (GetTickCount() - start > timeoutMs) return condition();
    }
    return true;
}

TempDir::TempDir() {
    static unsigned counter = 0;
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    m_path = std::string(base) + "keytool-test-" + std::to_string(GetCurrentProcessId()) + "-" +
             std::to_string(++counter);
    CreateDirectoryA(m_path.c_str(), nullptr);
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string ReadFile(const std::string& path) {
    std::ostringstream content;
    content << std::ifstream(path, std::ios::binary).rdbuf();
    return content.str();
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

Process::Process(const std::string& commandLine,
                 const std::map<std::string, std::string>& environment,
                 const std::string& directory, bool suspended, HANDLE output) {
    std::map<std::string, std::string> saved;
    for (const auto& [name, value] : environment) {
        char old[4096];
        const DWORD length = GetEnvironmentVariableA(name.c_str(), old, sizeof old);
        if (length > 0 && length < sizeof old) saved[name] = old;
        SetEnvironmentVariableA(name.c_str(), value.c_str());
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = output ? STARTF_USESTDHANDLES : 0;
    startup.hStdOutput = startup.hStdError = output;
    std::string command = commandLine;
    CreateProcessA(nullptr, command.data(), nullptr, nullptr, output != nullptr,
                   suspended ? CREATE_SUSPENDED : 0, nullptr,
                   directory.empty() ? nullptr : directory.c_str(), &startup, &m_info);
    for (const auto& entry : environment) {
        const auto old = saved.find(entry.first);
        SetEnvironmentVariableA(entry.first.c_str(),
                                old == saved.end() ? nullptr : old->second.c_str());
    }
}

Process::~Process() {
    if (Running()) {
        TerminateProcess(m_info.hProcess, 1);
        WaitExit(5000);
    }
    if (m_info.hProcess) CloseHandle(m_info.hProcess);
    if (m_info.hThread) CloseHandle(m_info.hThread);
}

bool Process::WaitExit(DWORD timeoutMs, DWORD* code) const {
    if (WaitForSingleObject(m_info.hProcess, timeoutMs) != WAIT_OBJECT_0) return false;
    DWORD exitCode = 0;
    GetExitCodeProcess(m_info.hProcess, &exitCode);
    if (code) *code = exitCode;
    return true;
}

int Run(const std::string& commandLine, const std::map<std::string, std::string>& environment,
        std::string* output, DWORD timeoutMs) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (output && !CreatePipe(&read, &write, &inherit, 0)) return -1;
    if (read) SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    Process process(commandLine, environment, "", false, write);
    if (write) CloseHandle(write);
    // Read while it runs, not to the pipe's end: a process it starts (Wine's desktop, say) may
    // inherit the pipe and hold it open long after, past any time limit.
    DWORD code = 0;
    bool ended = false;
    for (const DWORD start = GetTickCount();
         process.Id() != 0 && !ended && GetTickCount() - start <= timeoutMs;) {
        ended = process.WaitExit(read ? 20 : timeoutMs, &code);
        char chunk[512];
        DWORD available = 0, got = 0;
        while (read && PeekNamedPipe(read, nullptr, 0, nullptr, &available, nullptr) &&
               available > 0 &&
               ::ReadFile(read, chunk, std::min<DWORD>(available, sizeof chunk), &got, nullptr)) {
            output->append(chunk, got);
        }
    }
    if (read) CloseHandle(read);
    return ended ? static_cast<int>(code) : -1;
}

std::string InMyStore(const std::string& subject, bool remove) {
    HCERTSTORE my =
        CertOpenStore(remove ? CERT_STORE_PROV_SYSTEM_REGISTRY_A : CERT_STORE_PROV_SYSTEM_A, 0, 0,
                      CERT_SYSTEM_STORE_CURRENT_USER, "MY");
    PCCERT_CONTEXT found = CertFindCertificateInStore(
        my, X509_ASN_ENCODING, 0, CERT_FIND_SUBJECT_STR_A, subject.c_str(), nullptr);
    std::string seen = found ? "" : "absent";
    BYTE bytes[4096];
    DWORD size = sizeof bytes;
    if (found &&
        CertGetCertificateContextProperty(found, CERT_KEY_PROV_INFO_PROP_ID, bytes, &size)) {
        const auto* info = reinterpret_cast<const CRYPT_KEY_PROV_INFO*>(bytes);
        seen = Gbk(info->pwszContainerName) + " " + std::to_string(info->dwKeySpec);
    }
    if (found && remove) CertDeleteCertificateFromStore(CertDuplicateCertificateContext(found));
    CertFreeCertificateContext(found);
    CertCloseStore(my, 0);
    return seen;
}

std::string UnixName(const std::filesystem::path& path) {
    using UnixNameFn = char*(CDECL*)(const wchar_t*);
    const auto unixName = reinterpret_cast<UnixNameFn>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    char* name = unixName ? unixName(path.c_str()) : nullptr;
    const std::string found = name ? name : "";
    HeapFree(GetProcessHeap(), 0, name);
    return found;
}

std::vector<HWND> TopLevelWindows(DWORD pid, const char* className) {
    std::vector<HWND> found;
    for (HWND hwnd = FindWindowExA(nullptr, nullptr, className, nullptr); hwnd;
         hwnd = FindWindowExA(nullptr, hwnd, className, nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        if (pid == 0 || owner == pid) found.push_back(hwnd);
    }
    return found;
}

std::vector<HWND> Dialogs(DWORD pid, const std::string& caption) {
    std::vector<HWND> shown;
    for (HWND hwnd : TopLevelWindows(pid, kDialogClass)) {
        if (Visible(hwnd) && Text(hwnd) == caption) shown.push_back(hwnd);
    }
    return shown;
}

namespace {

// The last top-level dialog of the process that is wanted, once there is one (or null).
HWND WaitWindow(DWORD pid, const std::function<bool(HWND)>& wanted, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND hwnd : TopLevelWindows(pid, kDialogClass)) {
                if (wanted(hwnd)) found = hwnd;
            }
            return found != nullptr;
        },
        timeoutMs);
    return found;
}

}  // namespace

HWND WaitDialog(DWORD pid, const std::string& caption, DWORD timeoutMs) {
    return WaitWindow(
        pid, [&](HWND hwnd) { return Visible(hwnd) && Text(hwnd) == caption; }, timeoutMs);
}

HWND WaitMainWindow(DWORD pid, DWORD timeoutMs) {
    HWND main = WaitWindow(
        pid,
        [](HWND hwnd) {
            return Text(hwnd) == kMainTitle && GetWindowLongPtrA(hwnd, GWLP_USERDATA);
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
    wchar_t text[1024] = {};
    DWORD_PTR length = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text),
                        SMTO_BLOCK, kDefaultTimeoutMs, &length);
    return Gbk({text, length});
}

std::string ItemText(HWND dialog, int id) { return Text(GetDlgItem(dialog, id)); }

std::vector<std::string> ComboItems(HWND combo) {
    std::vector<std::string> items;
    for (LRESULT i = 0, count = SendMessageW(combo, CB_GETCOUNT, 0, 0); i < count; ++i) {
        wchar_t wide[512] = {};
        if (SendMessageW(combo, CB_GETLBTEXTLEN, i, 0) >= 512) continue;
        SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(wide));
        items.push_back(Gbk(wide));
    }
    return items;
}

std::string AccessibleName(HWND hwnd) {
    const HRESULT com = CoInitialize(nullptr);
    IAccessible* accessible = nullptr;
    BSTR name = nullptr;
    // __uuidof: x86_64 mingw's liboleacc.a has import stubs named IID_IAccessible.
    if (SUCCEEDED(AccessibleObjectFromWindow(hwnd, OBJID_CLIENT, __uuidof(IAccessible),
                                             reinterpret_cast<void**>(&accessible)))) {
        VARIANT self{};
        self.vt = VT_I4;  // lVal 0: CHILDID_SELF
        accessible->get_accName(self, &name);
        accessible->Release();
    }
    const std::string text = name ? Gbk(name) : "";
    SysFreeString(name);
    if (SUCCEEDED(com)) CoUninitialize();
    return text;
}

bool Visible(HWND hwnd) { return IsWindowVisible(hwnd) != FALSE; }

bool Enabled(HWND hwnd) { return IsWindowEnabled(hwnd) != FALSE; }

namespace {

// 32-bit pixels of a rectangle of a device context.
std::vector<DWORD> Capture(HDC source, int x, int y, int width, int height) {
    HDC memory = CreateCompatibleDC(source);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
    GdiFlush();
    const auto* pixels = static_cast<const DWORD*>(bits);
    std::vector<DWORD> copy(pixels, pixels + width * height);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return copy;
}

// The box's icon as a person sees it: its pixels against each system icon drawn alike.
UINT IconOf(HWND box) {
    HWND icon = nullptr;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const LONG style = GetWindowLongA(child, GWL_STYLE);
        if ((style & SS_TYPEMASK) == SS_ICON && (style & WS_VISIBLE)) icon = child;
    }
    if (!icon) return 0;
    RECT rect;
    GetWindowRect(icon, &rect);
    const int size = GetSystemMetrics(SM_CXICON);
    HDC screen = GetDC(nullptr);
    const std::vector<DWORD> shown = Capture(screen, rect.left, rect.top, size, size);
    UINT match = MB_ICONMASK;  // an icon, but none of the system's
    const std::pair<LPCSTR, UINT> candidates[] = {{IDI_EXCLAMATION, MB_ICONWARNING},
                                                  {IDI_ASTERISK, MB_ICONINFORMATION},
                                                  {IDI_HAND, MB_ICONERROR},
                                                  {IDI_QUESTION, MB_ICONQUESTION}};
    for (const auto& [resource, flag] : candidates) {
        HDC memory = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, size, size);
        HGDIOBJ old = SelectObject(memory, bitmap);
        RECT all{0, 0, size, size};
        FillRect(memory, &all, GetSysColorBrush(COLOR_3DFACE));
        DrawIconEx(memory, 0, 0, LoadIconA(nullptr, resource), size, size, 0, nullptr, DI_NORMAL);
        if (Capture(memory, 0, 0, size, size) == shown) match = flag;
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
    }
    ReleaseDC(nullptr, screen);
    return match;
}

}  // namespace

std::vector<DWORD> ScreenPixels(const RECT& rect) {
    HDC screen = GetDC(nullptr);
    std::vector<DWORD> pixels =
        Capture(screen, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    ReleaseDC(nullptr, screen);
    for (DWORD& pixel : pixels) pixel &= 0xFFFFFF;
    return pixels;
}

bool WaitMessageBox(DWORD pid, MessageBoxInfo* box, const std::vector<HWND>& exclude,
                    DWORD timeoutMs) {
    HWND found = WaitWindow(
        pid,
        [&](HWND hwnd) {
            return std::find(exclude.begin(), exclude.end(), hwnd) == exclude.end() &&
                   Visible(hwnd) && GetDlgItem(hwnd, 0xFFFF);
        },
        timeoutMs);
    if (!found) return false;
    Sync(found);
    *box = {found, Text(found), ItemText(found, 0xFFFF), 0};
    // A box still being painted shows only part of its icon.
    WaitUntil([&] { return (box->icon = IconOf(found)) != MB_ICONMASK || !IsWindow(found); }, 2000);
    return true;
}

bool Press(HWND dialog, int buttonId, DWORD timeoutMs) {
    HWND button = GetDlgItem(dialog, buttonId);
    Click(button);
    return button && WaitUntil([&] { return !IsWindow(dialog); }, timeoutMs);
}

void Click(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }

namespace {

std::wstring Wide(const std::string& gbk) {
    std::wstring text(gbk.size(), L'\0');
    text.resize(
        static_cast<size_t>(MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()),
                                                text.data(), static_cast<int>(text.size()))));
    return text;
}

}  // namespace

void Type(HWND control, const std::string& bytes) {
    for (wchar_t unit : Wide(bytes)) {
        DWORD_PTR answer = 0;
        SendMessageTimeoutW(control, WM_CHAR, unit, 1, SMTO_BLOCK, kDefaultTimeoutMs, &answer);
    }
}

void PressKey(HWND target, UINT virtualKey) {
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC)) << 16;
    PostMessageA(target, WM_KEYDOWN, virtualKey, 1 | scan);
    PostMessageA(target, WM_KEYUP, virtualKey, 1 | scan | 0xC0000000);
}

void PressChord(HWND window, const std::vector<UINT>& virtualKeys) {
    SetForegroundWindow(window);
    std::vector<INPUT> inputs(2 * virtualKeys.size());
    for (size_t i = 0; i < virtualKeys.size(); ++i) {
        inputs[i].type = inputs[inputs.size() - 1 - i].type = INPUT_KEYBOARD;
        inputs[i].ki.wVk = inputs[inputs.size() - 1 - i].ki.wVk = static_cast<WORD>(virtualKeys[i]);
        inputs[inputs.size() - 1 - i].ki.dwFlags = KEYEVENTF_KEYUP;
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

}  // namespace driver
