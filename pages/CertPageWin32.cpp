#include "pages/CertPageWin32.h"

#include <shellapi.h>

#include "keylib/KeyLib.h"
#include "log/Log.h"
#include "pages/CspBaseDialog.h"
#include "pages/TempCertFile.h"
#include "pages/logic/CertBuffer.h"
#include "res/resource.h"

std::uint32_t KeyLibCertCalls::ContainerCount(std::uint32_t slot, std::uint32_t* count) {
    return LoggedKeyLib("CSP_ContainerCount", slot, CSP_ContainerCount(slot, count));
}

std::uint32_t KeyLibCertCalls::ContainerInfo(std::uint32_t slot, std::uint32_t index,
                                             std::uint32_t* flags, std::uint32_t nameSize,
                                             char* name) {
    return LoggedKeyLib("CSP_ContainerInfo", slot,
                        CSP_ContainerInfo(slot, index, flags, nameSize, name));
}

std::uint32_t KeyLibCertCalls::ReadCertByName(std::uint32_t slot, const char* container,
                                              std::uint32_t kind, std::uint32_t* length,
                                              std::uint8_t* buffer) {
    return LoggedKeyLib("CSP_ReadCertByName", slot,
                        CSP_ReadCertByName(slot, container, kind, length, buffer));
}

std::uint32_t KeyLibCertCalls::Reset(std::uint32_t slot) {
    return LoggedKeyLib("CSP_Reset", slot, CSP_Reset(slot));
}

std::uint32_t KeyLibCertCalls::VerifyPassword(std::uint32_t slot, std::uint32_t kind,
                                              const char* password) {
    return LoggedKeyLib("CSP_VerifyPassword", slot, CSP_VerifyPassword(slot, kind, password));
}

std::uint32_t KeyLibCertCalls::DeleteContainerByName(std::uint32_t slot, const char* container) {
    return LoggedKeyLib("CSP_DeleteContainerByName", slot,
                        CSP_DeleteContainerByName(slot, container));
}

void TreeCtrlCertTree::DeleteAll() { m_tree.DeleteAllItems(); }

keytool::TreeNode TreeCtrlCertTree::Append(keytool::TreeNode parent, const char* text,
                                           int stateImage, std::uint32_t data) {
    TVINSERTSTRUCTA insert{};
    insert.hParent = parent == keytool::kNoNode ? TVI_ROOT : reinterpret_cast<HTREEITEM>(parent);
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = const_cast<char*>(text);
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
    return ::MessageBoxA(m_page, text, "提示", MB_YESNO | MB_ICONQUESTION) != IDNO;
}

void PageCertUi::EnableView(bool enable) {
    ::EnableWindow(::GetDlgItem(m_page, IDC_VIEW_CERT), enable);
}

void PageCertUi::EnableDelete(bool enable) {
    ::EnableWindow(::GetDlgItem(m_page, IDC_DELETE_CERT), enable);
}

void PageCertUi::SetDeleteText(const char* text) {
    ::SetWindowTextA(::GetDlgItem(m_page, IDC_DELETE_CERT), text);
}

std::uint8_t* GlobalFillBuffer::Allocate() {
    return static_cast<std::uint8_t*>(
        ::GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, keytool::CERT_BUF_SIZE));
}

void GlobalFillBuffer::Release(std::uint8_t* buffer) { ::GlobalFree(buffer); }

std::uint32_t ShellCertFiles::TempPath(std::uint32_t size, char* buffer) {
    return ::GetTempPathA(size, buffer);
}

bool ShellCertFiles::WriteNewFile(const char* path, const std::uint8_t* bytes,
                                  std::uint32_t length) {
    return WriteTempCertFile(path, bytes, length);
}

void ShellCertFiles::Open(const char* path) {
    LogShellOpen("certificate file", reinterpret_cast<INT_PTR>(::ShellExecuteA(
                                         m_page, "open", path, nullptr, nullptr, SW_SHOW)));
}
