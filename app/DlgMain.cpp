#include "app/DlgMain.h"

#include "app/Banner.h"
#include "app/DlgAbout.h"
#include "app/ExpiryRemindersWin32.h"
#include "app/Messages.h"
#include "app/logic/MainWindowRules.h"
#include "framework/AccessibleName.h"
#include "res/resource.h"

static_assert(keytool::kShowCommandHide == SW_HIDE);
static_assert(keytool::kShowCommandShow == SW_SHOW);

namespace {

// Broadcast by the shell when the taskbar is (re)created, e.g. after Explorer
// restarts. Registered once; the first message map lookup happens at WM_CREATE.
UINT TaskbarCreatedMessage() {
    static const UINT message = ::RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

keytool::Rect FromRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

// The band above the key group: the banner fills it, across the whole window.
RECT BannerArea(HWND dialog) {
    RECT area{};
    ::GetClientRect(dialog, &area);
    area.bottom = 0;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        if ((::GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK) != BS_GROUPBOX) continue;
        wchar_t className[16] = {};
        ::GetClassNameW(child, className, static_cast<int>(std::size(className)));
        if (lstrcmpiW(className, L"Button") != 0) continue;
        RECT group;
        ::GetWindowRect(child, &group);
        ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&group), 2);
        area.bottom = group.top;
    }
    return area;
}

const int kBannerArt[] = {IDB_BANNER, IDB_BANNER_150, IDB_BANNER_200};

}  // namespace

CDlgMain::CDlgMain(HWND parent)
    : CCspBaseDialog(IDD_MAIN, parent),
      m_hIcon(::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME))) {}

const fw::MessageMap* CDlgMain::GetMessageMap() const {
    static const fw::MessageMapEntry entries[] = {
        fw::On<&CDlgMain::OnCreate>(WM_CREATE),
        fw::OnSysCommand<&CDlgMain::OnSysCommand>(),
        fw::On<&CDlgMain::OnPaint>(WM_PAINT),
        fw::On<&CDlgMain::OnNcPaint>(WM_NCPAINT),
        fw::On<&CDlgMain::OnQueryDragIcon>(WM_QUERYDRAGICON),
        fw::On<&CDlgMain::OnExit>(WM_KEYTOOL_EXIT),
        fw::OnNumber<&CDlgMain::OnActivate>(WM_KEYTOOL_ACTIVATE),
        fw::On<&CDlgMain::OnRefreshMessage>(WM_KEYTOOL_REFRESH),
        fw::OnTrayNotify<&CDlgMain::OnTrayNotify>(WM_KEYTOOL_TRAYNOTIFY),
        fw::OnNumber<&CDlgMain::OnBalloon>(WM_KEYTOOL_BALLOON),
        fw::OnNotify<&CDlgMain::OnTabChanged>(IDC_TAB, TCN_SELCHANGE),
        fw::OnCommand<&CDlgMain::OnKeySelected>(IDC_KEYS, CBN_SELCHANGE),
        fw::OnWindowPosChanging<&CDlgMain::OnWindowPosChanging>(),
        fw::OnCommand<&CDlgMain::OnRefresh>(IDC_REFRESH),
        fw::OnDeviceChange<&CDlgMain::OnDeviceChange>(),
        fw::On<&CDlgMain::OnDestroy>(WM_DESTROY),
        fw::On<&CDlgMain::OnClose>(WM_CLOSE),
        fw::OnCopyData<&CDlgMain::OnCopyData>(),
        fw::OnCommand<&CDlgMain::OnTrayShow>(ID_TRAY_SHOW),
        fw::OnCommand<&CDlgMain::OnRefresh>(ID_TRAY_REFRESH),
        fw::OnCommand<&CDlgMain::OnAbout>(ID_APP_ABOUT),
        fw::OnCommand<&CDlgMain::OnTrayExit>(ID_TRAY_EXIT),
        fw::On<&CDlgMain::OnQueryEndSession>(WM_QUERYENDSESSION),
        fw::OnTimer<&CDlgMain::OnTimer>(),
        fw::On<&CDlgMain::OnTaskbarCreated>(TaskbarCreatedMessage()),
    };
    static const fw::MessageMap map(CCspBaseDialog::GetMessageMap(), entries);
    return &map;
}

void CDlgMain::DoDataExchange() {
    BindControl(IDC_TAB, m_tab);
    BindControl(IDC_KEYS, m_cbKeys);
}

LRESULT CDlgMain::OnCreate() {
    const LRESULT result = Default();
    AddTrayIcon(TRUE);
    m_keys.UnloadCerts();
    return result;
}

BOOL CDlgMain::OnInitDialog() {
    CCspBaseDialog::OnInitDialog();
    ::SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, static_cast<LONG_PTR>(m_keys.GetInstanceTag()));

    HMENU systemMenu = ::GetSystemMenu(m_hWnd, FALSE);
    if (systemMenu) {
        wchar_t about[128] = {};
        ::LoadStringW(::GetModuleHandleW(nullptr), IDS_ABOUTBOX, about,
                      static_cast<int>(std::size(about)));
        if (about[0] != L'\0') {
            ::AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, about);
        }
    }
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    m_keys.SetMainWindow(m_hWnd);
    m_keys.UnloadCerts();

    m_tab.InsertItem(0, L"证书管理");
    m_tab.InsertItem(1, L"修改密码");
    m_tab.InsertItem(2, L"更改KEY标签");
    m_dlgChgPwd.Create(IDD_CHGPWD, m_tab.m_hWnd);
    m_dlgDisp.Create(IDD_DISP, m_tab.m_hWnd);
    m_dlgChgLabel.Create(IDD_CHGLABEL, m_tab.m_hWnd);

    RECT client;
    ::GetClientRect(m_tab.m_hWnd, &client);
    RECT display = client;
    TabCtrl_AdjustRect(m_tab.m_hWnd, FALSE, &display);
    const keytool::Rect area = keytool::PageArea(FromRect(client), FromRect(display));
    for (HWND page : {m_dlgChgPwd.m_hWnd, m_dlgDisp.m_hWnd, m_dlgChgLabel.m_hWnd}) {
        ::MoveWindow(page, area.left, area.top, area.right - area.left, area.bottom - area.top,
                     TRUE);
    }
    m_dlgDisp.ShowWindow(SW_SHOW);
    ShowBanner(FindBannerControl(m_hWnd), kBannerArt, std::size(kBannerArt), BannerArea(m_hWnd));
    fw::SetAccessibleName(FindBannerControl(m_hWnd), KEYTOOL_MAIN_TITLE);
    fw::SetAccessibleName(m_tab.m_hWnd, L"UsbKey管理");

    OnDeviceChange(0);
    ScheduleExpiryChecks();
    return TRUE;
}

LRESULT CDlgMain::OnSysCommand(UINT command) {
    if (command == IDM_ABOUTBOX) {
        OnAbout();
        return 0;
    }
    return Default();
}

LRESULT CDlgMain::OnPaint() {
    if (!::IsIconic(m_hWnd)) return Default();
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(m_hWnd, &paint);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc));
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    const int x = (client.right - client.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc, x, y, m_hIcon);
    ::EndPaint(m_hWnd, &paint);
    return 0;
}

LRESULT CDlgMain::OnQueryDragIcon() { return reinterpret_cast<LRESULT>(m_hIcon); }

LRESULT CDlgMain::OnExit() {
    fw::Dialog::OnOK();
    return 0;
}

void CDlgMain::OnTrayExit() { fw::Dialog::OnOK(); }

LRESULT CDlgMain::OnActivate(UINT showCommand) {
    ShowMain(static_cast<int>(showCommand), TRUE);
    ::SetForegroundWindow(m_hWnd);
    return -1;
}

LRESULT CDlgMain::OnRefreshMessage() {
    Refresh();
    return 0;
}

void CDlgMain::OnRefresh() { Refresh(); }

void CDlgMain::OnOK() { Refresh(); }

void CDlgMain::OnCancel() { ShowMain(SW_HIDE, TRUE); }

void CDlgMain::OnTrayShow() { ShowMain(SW_SHOW, TRUE); }

void CDlgMain::OnAbout() {
    CDlgAbout about;
    about.DoModal();
}

LRESULT CDlgMain::OnDestroy() {
    m_keys.UnloadCerts();
    ClearSslState();
    ReleaseBanner(FindBannerControl(m_hWnd));
    return Default();
}

LRESULT CDlgMain::OnClose() {
    ShowMain(SW_HIDE, TRUE);
    return Default();
}

LRESULT CDlgMain::OnQueryEndSession() {
    if (!Default()) return FALSE;
    m_keys.UnloadCerts();
    ClearSslState();
    return TRUE;
}

void CDlgMain::ShowPages() {
    // The selected tab is asked afresh for each page.
    m_dlgDisp.ShowWindow(keytool::PageShowCommand(keytool::Page::Certificates, m_tab.GetCurSel()));
    m_dlgChgPwd.ShowWindow(keytool::PageShowCommand(keytool::Page::Password, m_tab.GetCurSel()));
    m_dlgChgLabel.ShowWindow(keytool::PageShowCommand(keytool::Page::Label, m_tab.GetCurSel()));
}

BOOL CDlgMain::PreTranslateMessage(MSG* msg) {
    // Ctrl+Tab and its kin switch tabs from anywhere in the window, as in a property sheet.
    const int tab = m_tab.SwitchedTabOf(*msg);
    if (tab < 0) return CCspBaseDialog::PreTranslateMessage(msg);
    m_tab.SetCurSel(tab);
    ShowPages();
    // Focus never stays in a page that was just hidden.
    if (!::IsWindowVisible(::GetFocus())) GotoDlgCtrl(m_tab.m_hWnd);
    return TRUE;
}

void CDlgMain::OnTabChanged(NMHDR*, LRESULT* result) {
    ShowPages();
    *result = 0;
}

void CDlgMain::OnKeySelected() {
    const int index = m_cbKeys.GetCurSel();
    m_dlgDisp.EnableControls(FALSE);
    m_dlgChgPwd.EnableControls(FALSE);
    m_dlgChgLabel.EnableControls(FALSE);
    if (index < 0 || index >= static_cast<int>(std::size(m_dwSlotOfItem))) return;

    const std::uint32_t slot = m_dwSlotOfItem[index];
    m_dlgDisp.m_dwSlot = slot;
    m_dwCurSlot = slot;
    m_dlgChgPwd.m_dwSlot = slot;
    m_dlgChgLabel.m_dwSlot = slot;
    m_dlgDisp.EnableControls(TRUE);
    m_dlgChgPwd.EnableControls(TRUE);
    m_dlgChgLabel.EnableControls(TRUE);
    m_dlgDisp.FillCertTree();
}
