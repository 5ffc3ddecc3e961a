#include "pages/logic/CertView.h"

#include <cstdio>
#include <cstring>

#include "pages/logic/CertBuffer.h"
#include "pages/logic/CertNodes.h"
#include "pages/logic/CertTexts.h"

namespace keytool {

bool TempCertPath(CertFiles& files, char (&path)[kTempPathSize]) {
    const std::uint32_t length = files.TempPath(kTempPathSize, path);
    if (length == 0 || length + sizeof kTempCertFileName > kTempPathSize) return false;
    std::memcpy(path + length, kTempCertFileName, sizeof kTempCertFileName);
    return true;
}

bool ReadSelectedCert(std::uint32_t slot, CertPageParts& page, char (&name)[CONTAINER_NAME_SIZE],
                      std::uint32_t* kind, std::uint32_t* length) {
    const TreeNode node = page.tree.Selected();
    if (node == kNoNode || page.tree.Parent(node) == kNoNode) {
        page.ui.Warn(kSelectCertificate);
        return false;
    }
    std::uint32_t data = 0;
    CertNode cert;
    if (!page.tree.Data(node, &data) || !DecodeCertNode(data, &cert)) return false;
    std::snprintf(name, sizeof name, "%s", g_ContainerTable[cert.entry].szName);
    *kind = cert.kind;
    if (slot == 0) return false;
    *length = CERT_BUF_SIZE;
    // A length past the buffer is as unusable as a failed read.
    if (page.keys.ReadCertByName(slot, name, cert.kind, length, g_CertBuf) != 0 ||
        *length > CERT_BUF_SIZE) {
        page.ui.Warn(kReadCertificateFailed);
        return false;
    }
    return true;
}

void ViewSelectedCert(std::uint32_t slot, CertPageParts& page, CertFiles& files) {
    char name[CONTAINER_NAME_SIZE];
    std::uint32_t kind = 0;
    std::uint32_t length = 0;
    if (!ReadSelectedCert(slot, page, name, &kind, &length)) return;
    char path[kTempPathSize];
    if (!TempCertPath(files, path) || !files.WriteNewFile(path, g_CertBuf, length)) {
        page.ui.Warn(kTempFileFailed);
        return;
    }
    files.Open(path, g_CertBuf, length);
}

int OnCertTreeDoubleClick(std::uint32_t slot, CertPageParts& page, CertFiles& files) {
    const TreeNode node = page.tree.Selected();
    if (node != kNoNode && page.tree.Parent(node) == kNoNode) return 1;
    ViewSelectedCert(slot, page, files);
    return 0;
}

}  // namespace keytool
