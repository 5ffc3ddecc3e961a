#include "app/KeyToolApp.h"

#include <windows.h>
// windows.h must come first.
#include <commctrl.h>
#include <objbase.h>

#include "app/DlgMain.h"
#include "app/InstanceWindowsWin32.h"
#include "device/SystemLibraries.h"
#include "log/Log.h"
#include "log/Versions.h"

CKeyToolApp theApp;

BOOL CKeyToolApp::InitInstance() {
    RestrictDllSearch();
    Win32InstanceWindows windows;
    if (keytool::AnotherInstanceAnswers(windows)) {
        LogLine("start: another instance answered, ending");
        return FALSE;
    }
    LogLine("start %s, key library %s, Windows %s, code page %u", ProgramVersion().c_str(),
            KeyLibVersion().c_str(), WindowsVersion().c_str(), ::GetACP());

    InitCommonControls();
    // For the controls' accessible names, and for the shell's handlers.
    const HRESULT com =
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    if (FAILED(com)) LogLine("CoInitializeEx failed: 0x%08lX", static_cast<unsigned long>(com));
    CDlgMain dlg(nullptr);
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    if (SUCCEEDED(com)) ::CoUninitialize();
    LogLine("exit %s", ProgramVersion().c_str());
    return FALSE;
}
