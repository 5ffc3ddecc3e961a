#include "pages/logic/CertSelection.h"

#include <cstdio>

#include "pages/logic/CertNodes.h"
#include "pages/logic/CertTexts.h"
#include "pages/logic/ContainerTable.h"

namespace keytool {
namespace {

constexpr std::uint32_t kUserPassword = 1;

// The selected node's data; 0 when nothing is selected or the node is gone.
std::uint32_t SelectedData(CertTree& tree) {
    std::uint32_t data = 0;
    const TreeNode node = tree.Selected();
    if (node == kNoNode || !tree.Data(node, &data)) return 0;
    return data;
}

}  // namespace

void OnCertSelectionChanged(CertPageParts& page) {
    const TreeNode node = page.tree.Selected();
    if (node == kNoNode) {
        page.ui.Warn(kSelectCertificate);
        return;
    }
    if (page.tree.Parent(node) == kNoNode) {
        page.ui.EnableView(false);
        page.ui.SetDeleteText(kDeleteCertificate);
        page.ui.EnableDelete(false);
        return;
    }
    std::uint32_t data = 0;
    if (!page.tree.Data(node, &data) || data == 0) {
        page.ui.EnableView(false);
        page.ui.EnableDelete(false);
        return;
    }
    CertNode cert;
    if (!DecodeCertNode(data, &cert)) return;
    page.ui.EnableView(true);
    page.ui.EnableDelete(true);
    page.ui.SetDeleteText(kDeleteCertificate);
}

bool DeleteSelectedCert(std::uint32_t slot, CertPageParts& page, LastTryQuestion& lastTry) {
    if (slot == 0) return false;
    if (page.tree.Selected() == kNoNode) {
        page.ui.Warn(kSelectCertificate);
        return false;
    }
    CertNode cert;
    if (!DecodeCertNode(SelectedData(page.tree), &cert)) return false;
    if (!page.ui.Confirm(kConfirmDelete)) return false;
    if (!page.ui.Confirm(kConfirmDeleteAgain)) return false;

    // The boxes kept dispatching messages, so the tree may have been refilled
    // (a key pulled out) while they were open: work on what the selection
    // says now, and on a copy of its name, since the password prompt that
    // follows dispatches messages too.
    if (!DecodeCertNode(SelectedData(page.tree), &cert)) return true;
    char name[CONTAINER_NAME_SIZE];
    std::snprintf(name, sizeof name, "%s", g_ContainerTable[cert.entry].szName);

    std::uint32_t verified = 0;
    const bool checked = CheckUserPassword(
        slot, g_TriesLeft, lastTry,
        [&] {
            page.keys.Reset(slot);
            return page.keys.VerifyPassword(slot, kUserPassword, nullptr);
        },
        &verified);
    if (!checked || verified != 0) return false;
    if (page.keys.DeleteContainerByName(slot, name) != 0) {
        page.ui.Warn(kDeleteFailed);
        return false;
    }
    return true;
}

}  // namespace keytool
