#include "app/KeyToolApp.h"

#include <windows.h>
// windows.h must come first.
#include <commctrl.h>

#include "app/DlgMain.h"
#include "app/InstanceWindowsWin32.h"

CKeyToolApp theApp;

BOOL CKeyToolApp::InitInstance() {
    Win32InstanceWindows windows;
    if (keytool::AnotherInstanceAnswers(windows)) return FALSE;

    InitCommonControls();
    CDlgMain dlg(nullptr);
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}
