// stopkeytool.exe, the set-up's helper for the files it replaces or removes:
//   stopkeytool [FOLDER]        ends every running key tool of this session through its exit
//                               message, then waits for every other process running from
//                               FOLDER (ukeyctl, keyadmin); prints how many tools ended. Exit
//                               code 0 when none is left running, 1 when one is; nothing is
//                               killed.
//   stopkeytool /start PROGRAM  starts PROGRAM as the desktop's user, unelevated, however
//                               elevated the set-up runs. Exit code 0 when it started, 1 when
//                               there is no desktop shell to start it from.
#include <windows.h>
// windows.h must come first.
#include <exdisp.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/InstanceWindowsWin32.h"

namespace {

using Microsoft::WRL::ComPtr;

// Through the desktop's own shell view, so that Explorer starts it with its own token.
bool StartFromDesktopShell(const std::wstring& program) {
    ComPtr<IShellWindows> windows;
    if (FAILED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER,
                                IID_PPV_ARGS(&windows)))) {
        return false;
    }
    VARIANT desktop{};
    desktop.vt = VT_I4;
    desktop.lVal = CSIDL_DESKTOP;
    VARIANT none{};
    long hwnd = 0;
    ComPtr<IDispatch> found;
    ComPtr<IServiceProvider> provider;
    ComPtr<IShellBrowser> browser;
    ComPtr<IShellView> view;
    ComPtr<IDispatch> background;
    ComPtr<IShellFolderViewDual> folderView;
    ComPtr<IDispatch> application;
    ComPtr<IShellDispatch2> shell;
    if (windows->FindWindowSW(&desktop, &none, SWC_DESKTOP, &hwnd, SWFO_NEEDDISPATCH, &found) !=
            S_OK ||
        FAILED(found.As(&provider)) ||
        FAILED(provider->QueryService(SID_STopLevelBrowser, IID_PPV_ARGS(&browser))) ||
        FAILED(browser->QueryActiveShellView(&view)) ||
        FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_PPV_ARGS(&background))) ||
        FAILED(background.As(&folderView)) || FAILED(folderView->get_Application(&application)) ||
        FAILED(application.As(&shell))) {
        return false;
    }
    BSTR file = SysAllocString(program.c_str());
    const HRESULT started = shell->ShellExecute(file, none, none, none, none);
    SysFreeString(file);
    return SUCCEEDED(started);
}

// A desktop shell without that view: the program becomes a child of the shell's process and
// takes its token.
bool StartBesideShell(const std::wstring& program) {
    DWORD shellProcess = 0;
    const HWND shellWindow = GetShellWindow();
    if (!shellWindow || !GetWindowThreadProcessId(shellWindow, &shellProcess)) return false;
    HANDLE parent = OpenProcess(PROCESS_CREATE_PROCESS, FALSE, shellProcess);
    if (!parent) return false;
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::vector<char> buffer(size);
    auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(buffer.data());
    if (!InitializeProcThreadAttributeList(attributes, 1, 0, &size)) {
        CloseHandle(parent);
        return false;
    }
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.lpAttributeList = attributes;
    std::wstring commandLine = L"\"" + program + L"\"";
    PROCESS_INFORMATION process{};
    const bool started =
        UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_PARENT_PROCESS, &parent,
                                  sizeof parent, nullptr, nullptr) &&
        CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                       EXTENDED_STARTUPINFO_PRESENT, nullptr, nullptr, &startup.StartupInfo,
                       &process);
    if (started) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    DeleteProcThreadAttributeList(attributes);
    CloseHandle(parent);
    return started;
}

}  // namespace

int main() {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    const std::vector<std::wstring> args(arguments + 1, arguments + count);
    LocalFree(arguments);
    if (args.size() == 2 && args[0] == L"/start") {
        CoInitialize(nullptr);
        const bool started = StartFromDesktopShell(args[1]) || StartBesideShell(args[1]);
        CoUninitialize();
        return started ? 0 : 1;
    }
    std::wstring folder = args.empty() ? std::wstring() : args[0];
    while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
    Win32InstanceWindows windows;
    const keytool::StopResult result = keytool::StopRunningTools(windows, folder);
    std::printf("ended: %u, still running: %u\n", result.ended, result.notEnded);
    return result.notEnded == 0 ? 0 : 1;
}
