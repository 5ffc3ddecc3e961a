#include "framework/Dialog.h"

#include <cwchar>
#include <iterator>

#include "framework/App.h"
#include "framework/DialogKeyboard.h"
#include "framework/logic/DialogPlacement.h"
#include "log/Log.h"

namespace fw {
namespace {

const wchar_t kObjectProperty[] = L"fw.Dialog";

// The dialog being created: the creation hook subclasses its window before
// WM_CREATE so the class sees every message from the start. One user-interface
// thread, so one creation at a time.
Dialog* g_creating = nullptr;
HHOOK g_creationHook = nullptr;

// The modal dialog whose loop runs now; each loop remembers the one it interrupted.
Dialog* g_innermostModal = nullptr;

bool IsInputMessage(UINT message) {
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
           (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST);
}

}  // namespace

const RuntimeClass Dialog::kRuntimeClass{"CDialog", nullptr};

Dialog::Dialog(UINT templateId, HWND parent) : m_templateId(templateId), m_hParent(parent) {}

Dialog::~Dialog() {
    if (m_hWnd && ::IsWindow(m_hWnd)) {
        HWND hwnd = m_hWnd;
        Detach();
        ::DestroyWindow(hwnd);
    }
}

const RuntimeClass* Dialog::GetRuntimeClass() const { return &kRuntimeClass; }

const MessageMap* Dialog::GetMessageMap() const {
    static const MessageMap map(nullptr);
    return &map;
}

Dialog* Dialog::FromHandle(HWND hwnd) {
    return hwnd ? static_cast<Dialog*>(::GetPropW(hwnd, kObjectProperty)) : nullptr;
}

LRESULT CALLBACK Dialog::CreationHook(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_CREATEWND && g_creating) {
        Dialog* self = g_creating;
        g_creating = nullptr;
        HWND hwnd = reinterpret_cast<HWND>(wp);
        self->m_hWnd = hwnd;
        ::SetPropW(hwnd, kObjectProperty, self);
        self->m_oldProc = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(
            hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Dialog::WindowProc)));
    }
    return ::CallNextHookEx(g_creationHook, code, wp, lp);
}

INT_PTR CALLBACK Dialog::EmptyDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

HWND Dialog::CreateWindowFromTemplate(UINT templateId, HWND parent) {
    // Without the hook the window would run without its class: no window at all.
    g_creationHook =
        ::SetWindowsHookExW(WH_CBT, &Dialog::CreationHook, nullptr, ::GetCurrentThreadId());
    if (!g_creationHook) {
        LogLastError("SetWindowsHookExW(WH_CBT)");
        return nullptr;
    }
    g_creating = this;
    HWND hwnd = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId),
                                     parent, &Dialog::EmptyDialogProc, 0);
    ::UnhookWindowsHookEx(g_creationHook);
    g_creationHook = nullptr;
    g_creating = nullptr;
    if (!hwnd) {
        LogLine("CreateDialogParamW(template %u) failed: error %lu", templateId, ::GetLastError());
    } else if (hwnd != m_hWnd) {
        LogLine("dialog of template %u created without its class", templateId);
        ::DestroyWindow(hwnd);
        hwnd = nullptr;
    }
    if (!hwnd) Detach();
    return hwnd;
}

BOOL Dialog::Create(UINT templateId, HWND parent) {
    m_templateId = templateId;
    m_hParent = parent;
    m_modal = false;
    return CreateWindowFromTemplate(templateId, parent) != nullptr;
}

HWND Dialog::ModalOwner() const {
    HWND owner = m_hParent;
    if (!owner) {
        const App* app = App::Current();
        const Dialog* main = app ? app->m_pMainWnd : nullptr;
        if (!main || main == this || !main->m_hWnd) return nullptr;
        // A dialog already running over the main window owns the new one.
        owner = FrontPopupOf(main->m_hWnd);
    }
    // A popup cannot be owned by a child window.
    while (owner && (::GetWindowLongW(owner, GWL_STYLE) & WS_CHILD)) owner = ::GetParent(owner);
    return owner;
}

void Dialog::CenterOverOwner() const {
    HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
    if (!owner) return;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!::GetMonitorInfoW(::MonitorFromWindow(owner, MONITOR_DEFAULTTOPRIMARY), &monitor)) return;
    RECT own{};
    const bool ownerSeen =
        ::IsWindowVisible(owner) && !::IsIconic(owner) && ::GetWindowRect(owner, &own);
    RECT self{};
    ::GetWindowRect(m_hWnd, &self);
    const ScreenRect ownerRect{own.left, own.top, own.right, own.bottom};
    const ScreenRect work{monitor.rcWork.left, monitor.rcWork.top, monitor.rcWork.right,
                          monitor.rcWork.bottom};
    const ScreenPoint at = CenteredPosition(self.right - self.left, self.bottom - self.top,
                                            ownerSeen ? &ownerRect : nullptr, work);
    ::SetWindowPos(m_hWnd, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR Dialog::DoModal() {
    HWND owner = ModalOwner();
    const bool ownerWasEnabled = owner && ::IsWindowEnabled(owner);
    if (ownerWasEnabled) ::EnableWindow(owner, FALSE);

    m_modal = true;
    m_endModal = false;
    m_result = -1;
    if (CreateWindowFromTemplate(m_templateId, owner)) RunModalLoop();
    // The owner is enabled before the dialog goes, so that activation returns to it.
    if (ownerWasEnabled) ::EnableWindow(owner, TRUE);
    if (m_hWnd) {
        const bool wasActive = ::GetActiveWindow() == m_hWnd;
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                       SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
        if (owner && wasActive && ::IsWindowVisible(owner)) ::SetActiveWindow(owner);
        ::DestroyWindow(m_hWnd);
    }
    m_modal = false;
    return m_result;
}

bool Dialog::EnclosingModalEnded() const {
    for (const Dialog* outer = m_pEnclosingModal; outer; outer = outer->m_pEnclosingModal) {
        if (outer->m_endModal) return true;
    }
    return false;
}

void Dialog::RunModalLoop() {
    m_pEnclosingModal = g_innermostModal;
    g_innermostModal = this;
    // Like any modal dialog, show the window once the queue first runs dry;
    // a window that refuses to be shown stays hidden.
    bool showOnIdle = !(GetStyle() & WS_VISIBLE);
    MSG msg;
    while (!m_endModal) {
        if (EnclosingModalEnded()) {
            m_result = IDCANCEL;
            break;
        }
        if ((showOnIdle || m_idleRequested) && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (showOnIdle) {
                ShowWindow(SW_SHOWNORMAL);
                ::UpdateWindow(m_hWnd);
                showOnIdle = false;
            } else {
                m_idleRequested = false;
                OnIdle();
            }
            continue;  // idle work may ask for another turn: look at the queue before waiting
        }
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (got < 0) break;
        if (!PreTranslateChain(msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    g_innermostModal = m_pEnclosingModal;
    m_pEnclosingModal = nullptr;
}

bool Dialog::PreTranslateChain(MSG& msg) {
    for (HWND hwnd = msg.hwnd; hwnd; hwnd = ::GetParent(hwnd)) {
        Dialog* dialog = FromHandle(hwnd);
        if (dialog && dialog->PreTranslateMessage(&msg)) return true;
        if (hwnd == m_hWnd) break;
    }
    return false;
}

HWND Dialog::NavigationRoot() const {
    HWND root = m_hWnd;
    while ((::GetWindowLongW(root, GWL_STYLE) & WS_CHILD) && ::GetParent(root)) {
        root = ::GetParent(root);
    }
    return root;
}

bool Dialog::WantsKey(MSG& msg) const {
    const LRESULT code =
        ::SendMessageW(msg.hwnd, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg));
    return (code & (DLGC_WANTTAB | DLGC_WANTMESSAGE)) != 0;
}

BOOL Dialog::PreTranslateMessage(MSG* msg) {
    if (!IsInputMessage(msg->message)) return FALSE;
    const DialogKey key = DialogKeyOf(*msg);
    if (key != DialogKey::None && !WantsKey(*msg)) {
        // A page leaves these keys to the dialog holding it, whose walk takes in
        // its own controls, the tab strip and the visible page's controls alike.
        const HWND root = NavigationRoot();
        if (root != m_hWnd && FromHandle(root)) return FALSE;
        if (key == DialogKey::NextControl || key == DialogKey::PreviousControl) {
            HWND next = NextDlgTabStop(m_hWnd, ::GetFocus(), key == DialogKey::PreviousControl);
            if (next) GotoDlgCtrl(next);
            // As the dialog manager does: who walks by keyboard sees where the focus is.
            SendMessage(WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS));
            return TRUE;
        }
    }
    return ::IsDialogMessageW(m_hWnd, msg);
}

void Dialog::GotoDlgCtrl(HWND control) const {
    // The dialog manager of the dialog that holds the control sets the focus,
    // selects an edit's text and gives a push button the default look.
    HWND holder = ::GetParent(control);
    while (holder && holder != m_hWnd && !FromHandle(holder)) holder = ::GetParent(holder);
    if (!holder) return;
    HWND old = ::GetFocus();
    ::SendMessageW(holder, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    // A push button left for another dialog gives its default look back, unless
    // it is that dialog's default button.
    HWND oldHolder = old ? ::GetParent(old) : nullptr;
    if (!oldHolder || oldHolder == holder || old == control) return;
    if (!(::SendMessageW(old, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON)) return;
    const LRESULT defaultId = ::SendMessageW(oldHolder, DM_GETDEFID, 0, 0);
    if (HIWORD(defaultId) != DC_HASDEFID || LOWORD(defaultId) != ::GetDlgCtrlID(old)) {
        ::SendMessageW(old, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    }
}

void Dialog::EndDialog(int result) {
    m_result = result;
    m_endModal = true;
    if (m_modal && m_hWnd) {
        // Ended from inside a sent message, GetMessageW would go on waiting for
        // the next posted one: wake the loop so it sees the end at once.
        ::PostMessageW(m_hWnd, WM_NULL, 0, 0);
        CancelForeignDialogsInFront();
    }
    if (!m_modal && m_hWnd) ::EndDialog(m_hWnd, result);
}

void Dialog::CancelForeignDialogsInFront() const {
    // A message box (or another dialog running its own loop) over this one
    // would hold the end until someone answered it: it is cancelled. Our own
    // dialogs in front end with this one's loop.
    for (HWND front = OwnedPopupOf(m_hWnd); front; front = OwnedPopupOf(front)) {
        wchar_t className[16] = {};
        ::GetClassNameW(front, className, static_cast<int>(std::size(className)));
        if (!FromHandle(front) && std::wcscmp(className, L"#32770") == 0) {
            ::PostMessageW(front, WM_COMMAND, IDCANCEL, 0);
        }
    }
}

BOOL Dialog::OnInitDialog() {
    DoDataExchange();
    return TRUE;
}

void Dialog::OnOK() { EndDialog(IDOK); }

void Dialog::OnCancel() { EndDialog(IDCANCEL); }

void Dialog::BindControl(int id, Window& control) {
    control.Attach(GetDlgItem(id));
    m_bound.push_back(&control);
}

LRESULT Dialog::Default() {
    return ::CallWindowProcW(m_oldProc, m_hWnd, m_current.message, m_current.wp, m_current.lp);
}

void Dialog::Detach() {
    if (m_hWnd) {
        ::RemovePropW(m_hWnd, kObjectProperty);
        if (m_oldProc) {
            ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_oldProc));
        }
    }
    m_hWnd = nullptr;
    m_oldProc = nullptr;
}

LRESULT CALLBACK Dialog::WindowProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    Dialog* self = FromHandle(hwnd);
    if (!self) return ::DefWindowProcW(hwnd, message, wp, lp);
    return self->HandleMessage(message, wp, lp);
}

LRESULT Dialog::HandleMessage(UINT message, WPARAM wp, LPARAM lp) {
    const CurrentMessage saved = m_current;
    m_current = {message, wp, lp};
    LRESULT result = 0;
    if (message == WM_INITDIALOG) {
        RECT before{};
        ::GetWindowRect(m_hWnd, &before);
        result = OnInitDialog();
        RECT after{};
        ::GetWindowRect(m_hWnd, &after);
        // Only a dialog that did not place itself during initialisation.
        if (m_modal && ::EqualRect(&before, &after)) CenterOverOwner();
    } else if (!Dispatch(message, wp, lp, result)) {
        if (message == WM_COMMAND && HIWORD(wp) == BN_CLICKED && LOWORD(wp) == IDOK) {
            OnOK();
        } else if (message == WM_COMMAND && HIWORD(wp) == BN_CLICKED && LOWORD(wp) == IDCANCEL) {
            OnCancel();
        } else {
            result = Default();
        }
    }
    m_current = saved;
    if (message == WM_NCDESTROY) Detach();
    return result;
}

void Dialog::ReflectCommand(UINT message, WPARAM wp, LPARAM lp) const {
    if (message != WM_COMMAND || lp == 0) return;
    for (Window* control : m_bound) {
        if (control->m_hWnd == reinterpret_cast<HWND>(lp)) control->OnReflectedCommand(HIWORD(wp));
    }
}

bool Dialog::Dispatch(UINT message, WPARAM wp, LPARAM lp, LRESULT& result) {
    ReflectCommand(message, wp, lp);
    UINT code = 0;
    UINT id = 0;
    if (message == WM_COMMAND) {
        code = HIWORD(wp);
        id = LOWORD(wp);
    } else if (message == WM_NOTIFY) {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lp);
        if (!header) return false;
        code = header->code;
        id = static_cast<UINT>(header->idFrom);
    }
    for (const MessageMap* map = GetMessageMap(); map; map = map->base) {
        for (size_t i = 0; i < map->count; ++i) {
            const MessageMapEntry& entry = map->entries[i];
            if (entry.message == message && entry.code == code && entry.id == id) {
                return entry.handler(*this, wp, lp, result);
            }
        }
    }
    return false;
}

}  // namespace fw
