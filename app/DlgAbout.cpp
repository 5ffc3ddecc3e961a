#include "app/DlgAbout.h"

#include <windows.h>
// windows.h must come first.
#include <shellapi.h>

#include "app/Banner.h"
#include "app/Messages.h"
#include "framework/AccessibleName.h"
#include "log/Log.h"
#include "res/resource.h"

namespace {
const int kAboutArt[] = {IDB_ABOUT_BANNER, IDB_ABOUT_BANNER_150, IDB_ABOUT_BANNER_200};
}  // namespace

CDlgAbout::CDlgAbout() : fw::Dialog(IDD_ABOUTBOX, nullptr) {}

CDlgAbout::~CDlgAbout() {
    if (m_fontLink) ::DeleteObject(m_fontLink);
}

const fw::MessageMap* CDlgAbout::GetMessageMap() const {
    static const fw::MessageMapEntry entries[] = {
        fw::OnDrawItem<&CDlgAbout::OnDrawItem>(),
        fw::On<&CDlgAbout::OnDestroy>(WM_DESTROY),
        fw::OnCommand<&CDlgAbout::OnLinkClicked>(IDC_SITE_LINK),
    };
    static const fw::MessageMap map(fw::Dialog::GetMessageMap(), entries);
    return &map;
}

BOOL CDlgAbout::OnInitDialog() {
    const BOOL result = fw::Dialog::OnInitDialog();
    // The banner keeps its height and spans the box.
    HWND banner = FindBannerControl(m_hWnd);
    RECT area{};
    if (banner) {
        ::GetClientRect(m_hWnd, &area);
        RECT control;
        ::GetWindowRect(banner, &control);
        area.bottom = control.bottom - control.top;
    }
    ShowBanner(banner, kAboutArt, std::size(kAboutArt), area);
    fw::SetAccessibleName(banner, KEYTOOL_MAIN_TITLE);
    return result;
}

LRESULT CDlgAbout::OnDestroy() {
    ReleaseBanner(FindBannerControl(m_hWnd));
    return Default();
}

BOOL CDlgAbout::OnDrawItem(const DRAWITEMSTRUCT& item) {
    HWND link = GetDlgItem(IDC_SITE_LINK);
    if (!m_fontLink) {
        HFONT dialogFont = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
        LOGFONTW description{};
        if (dialogFont && ::GetObjectW(dialogFont, sizeof description, &description)) {
            description.lfUnderline = 1;
            m_fontLink = ::CreateFontIndirectW(&description);
            // The class cursor is shared by every push button while the box is open.
            m_hOldCursor = reinterpret_cast<HCURSOR>(
                ::SetClassLongPtrW(link, GCLP_HCURSOR,
                                   reinterpret_cast<LONG_PTR>(::LoadCursorW(
                                       nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND)))));
        }
    }
    if (m_fontLink) {
        const std::wstring text = GetText(link);
        // The face is painted under the text each time, so the focus cue goes
        // with the focus whichever way the button asks for the drawing.
        ::FillRect(item.hDC, &item.rcItem, ::GetSysColorBrush(COLOR_BTNFACE));
        HGDIOBJ oldFont = ::SelectObject(item.hDC, m_fontLink);
        ::SetTextColor(item.hDC, RGB(0, 0, 255));
        ::SetBkMode(item.hDC, TRANSPARENT);
        ::TextOutW(item.hDC, item.rcItem.left, item.rcItem.top, text.c_str(),
                   static_cast<int>(text.size()));
        ::SelectObject(item.hDC, oldFont);
        if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) {
            ::DrawFocusRect(item.hDC, &item.rcItem);
        }
    }
    return TRUE;
}

void CDlgAbout::OnLinkClicked() {
    const std::wstring address = GetText(GetDlgItem(IDC_SITE_LINK));
    LogShellOpen("bank site", reinterpret_cast<INT_PTR>(::ShellExecuteW(
                                  nullptr, L"open", address.c_str(), nullptr, nullptr, SW_SHOW)));
}

void CDlgAbout::OnOK() {
    if (m_hOldCursor) {
        ::SetClassLongPtrW(GetDlgItem(IDOK), GCLP_HCURSOR,
                           reinterpret_cast<LONG_PTR>(m_hOldCursor));
    }
    EndDialog(0);
}

void CDlgAbout::OnCancel() { OnOK(); }
