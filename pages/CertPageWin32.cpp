#include "pages/CertPageWin32.h"

#include <shellapi.h>
#include <wincrypt.h>

#include <cstring>
#include <iterator>

#include "device/SystemLibraries.h"
#include "framework/Text.h"
#include "log/Log.h"
#include "pages/CspBaseDialog.h"
#include "pages/TempCertFile.h"
#include "pages/logic/CertBuffer.h"
#include "res/resource.h"

void TreeCtrlCertTree::DeleteAll() { m_tree.DeleteAllItems(); }

keytool::TreeNode TreeCtrlCertTree::Append(keytool::TreeNode parent, const char* text,
                                           int stateImage, std::uint32_t data) {
    const std::wstring wide = fw::Widen(text);
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent == keytool::kNoNode ? TVI_ROOT : reinterpret_cast<HTREEITEM>(parent);
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = const_cast<wchar_t*>(wide.c_str());
    if (data != 0) {
        insert.item.mask |= TVIF_PARAM;
        insert.item.lParam = static_cast<LPARAM>(data);
    }
    if (stateImage != 0) {
        insert.item.mask |= TVIF_STATE;
        insert.item.state = INDEXTOSTATEIMAGEMASK(stateImage);
        insert.item.stateMask = TVIS_STATEIMAGEMASK;
    }
    return reinterpret_cast<keytool::TreeNode>(m_tree.InsertItem(insert));
}

void TreeCtrlCertTree::Expand(keytool::TreeNode node) {
    m_tree.Expand(reinterpret_cast<HTREEITEM>(node), TVE_EXPAND);
}

keytool::TreeNode TreeCtrlCertTree::Selected() {
    return reinterpret_cast<keytool::TreeNode>(m_tree.GetSelectedItem());
}

keytool::TreeNode TreeCtrlCertTree::Parent(keytool::TreeNode node) {
    return reinterpret_cast<keytool::TreeNode>(
        m_tree.GetParentItem(reinterpret_cast<HTREEITEM>(node)));
}

bool TreeCtrlCertTree::Data(keytool::TreeNode node, std::uint32_t* data) {
    LPARAM value = 0;
    if (!m_tree.GetItemData(reinterpret_cast<HTREEITEM>(node), &value)) return false;
    *data = static_cast<std::uint32_t>(value);
    return true;
}

void PageCertUi::Warn(const char* text) { WarnBox(m_page, text); }

bool PageCertUi::Confirm(const char* text) {
    // Every question here leads to a deletion: Enter must not be enough to answer it.
    return ::MessageBoxW(m_page, fw::Widen(text).c_str(), L"提示",
                         MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDNO;
}

void PageCertUi::EnableView(bool enable) {
    ::EnableWindow(::GetDlgItem(m_page, IDC_VIEW_CERT), enable);
}

void PageCertUi::EnableDelete(bool enable) {
    ::EnableWindow(::GetDlgItem(m_page, IDC_DELETE_CERT), enable);
}

void PageCertUi::SetDeleteText(const char* text) {
    ::SetWindowTextW(::GetDlgItem(m_page, IDC_DELETE_CERT), fw::Widen(text).c_str());
}

std::uint8_t* GlobalFillBuffer::Allocate() {
    return static_cast<std::uint8_t*>(
        ::GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, keytool::CERT_BUF_SIZE));
}

void GlobalFillBuffer::Release(std::uint8_t* buffer) { ::GlobalFree(buffer); }

// The logic names the file in GBK: a folder whose name GBK cannot hold gives none.
std::uint32_t ShellCertFiles::TempPath(std::uint32_t size, char* buffer) {
    wchar_t folder[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(static_cast<DWORD>(std::size(folder)), folder);
    std::string bytes;
    if (length == 0 || length >= std::size(folder) ||
        !fw::Narrow({folder, length}, fw::kGbkCodePage, &bytes) || bytes.size() >= size) {
        return 0;
    }
    std::memcpy(buffer, bytes.c_str(), bytes.size() + 1);
    return static_cast<std::uint32_t>(bytes.size());
}

bool ShellCertFiles::WriteNewFile(const char* path, const std::uint8_t* bytes,
                                  std::uint32_t length) {
    return WriteTempCertFile(fw::Widen(path).c_str(), bytes, length);
}

void ShellCertFiles::Open(const char* path, const std::uint8_t* der, std::uint32_t length) {
    const auto answer = reinterpret_cast<INT_PTR>(
        ::ShellExecuteW(m_page, L"open", fw::Widen(path).c_str(), nullptr, nullptr, SW_SHOW));
    if (answer != SE_ERR_NOASSOC) {
        LogShellOpen("certificate file", answer);
        if (answer > 32) LogLine("certificate view: the shell's handler for .cer");
        return;
    }
    // No handler for .cer: the system's own certificate dialog shows it instead.
    using ViewContextFn = BOOL(WINAPI*)(DWORD, const void*, HWND, LPCWSTR, DWORD, void*);
    HMODULE cryptui = LoadSystemLibrary("CRYPTUI.DLL");
    const auto view = cryptui ? reinterpret_cast<ViewContextFn>(reinterpret_cast<void*>(
                                    ::GetProcAddress(cryptui, "CryptUIDlgViewContext")))
                              : nullptr;
    PCCERT_CONTEXT cert =
        view ? ::CertCreateCertificateContext(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, der, length)
             : nullptr;
    if (cert && view(CERT_STORE_CERTIFICATE_CONTEXT, cert, fw::Window::TopLevelOf(m_page), nullptr,
                     0, nullptr)) {
        LogLine("certificate view: no handler for .cer, the system's certificate dialog");
    } else {
        LogLastError("certificate view: no handler for .cer, CryptUIDlgViewContext");
    }
    if (cert) ::CertFreeCertificateContext(cert);
    if (cryptui) ::FreeLibrary(cryptui);
}
