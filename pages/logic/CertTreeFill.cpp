#include "pages/logic/CertTreeFill.h"

#include <cstdio>

#include "pages/logic/CertBuffer.h"
#include "pages/logic/CertNodes.h"
#include "pages/logic/CertTexts.h"
#include "pages/logic/ContainerTable.h"

namespace keytool {
namespace {

constexpr std::size_t kSubjectNameSize = 100;

struct Fill {
    std::uint32_t slot;
    CertPageParts& page;
    CertDecoder& decoder;
    std::uint8_t* buffer;

    void AppendCertificate(TreeNode container, int entry, std::uint32_t kind,
                           std::uint32_t kindBit) const {
        std::uint32_t length = CERT_BUF_SIZE;
        if (page.keys.ReadCertByName(slot, g_ContainerTable[entry].szName, kind, &length, buffer) !=
            0) {
            return;
        }
        // A length past the buffer would make the decoder read beyond it.
        if (length > CERT_BUF_SIZE) return;
        char subject[kSubjectNameSize] = {};
        if (!decoder.SubjectName(buffer, length, subject, sizeof subject)) return;
        subject[kSubjectNameSize - 1] = '\0';
        page.tree.Append(container, subject, 1, CertNodeData(entry, kindBit));
    }

    // False when the library cannot tell what the position holds.
    bool AppendPosition(TreeNode root, int position, int entry) const {
        CONTAINER_ENTRY& container = g_ContainerTable[entry];
        std::uint32_t flags = 0;
        if (page.keys.ContainerInfo(slot, static_cast<std::uint32_t>(position), &flags,
                                    kContainerNameSizeTold, container.szName) != 0) {
            page.ui.Warn(kReadKeyError);
            return false;
        }
        container.szName[kContainerNameSizeTold] = '\0';
        char text[32 + CONTAINER_NAME_SIZE];
        if (container.szName[0] == '\0') {
            std::snprintf(text, sizeof text, kEmptyContainerFormat, position);
            page.tree.Append(root, text, 0, 0);
            return true;
        }
        const int prefix = std::snprintf(text, sizeof text, kContainerFormat, position);
        std::snprintf(text + prefix, sizeof text - static_cast<std::size_t>(prefix), "%s",
                      container.szName);
        const TreeNode node = page.tree.Append(root, text, 0, 0);
        if ((flags & kFlagsCert1) == kFlagsCert1) {
            AppendCertificate(node, entry, CERT_KIND1, NODE_CERT1);
        }
        if ((flags & kFlagsCert2) == kFlagsCert2) {
            AppendCertificate(node, entry, CERT_KIND2, NODE_CERT2);
        }
        return true;
    }
};

}  // namespace

void FillCertTree(std::uint32_t slot, CertPageParts& page, CertDecoder& decoder,
                  FillBuffer& buffers) {
    ClearContainerTable();
    page.tree.DeleteAll();
    if (slot == 0) {
        page.tree.Append(kNoNode, kNoKeyNodeText, 0, 0);
        return;
    }
    const TreeNode root = page.tree.Append(kNoNode, kRootNodeText, 0, 0);

    // Only the answer matters: the fill visits every position whatever the count.
    std::uint32_t count = 0;
    if (page.keys.ContainerCount(slot, &count) != 0) page.ui.Warn(kReadKeyError);

    std::uint8_t* buffer = buffers.Allocate();
    if (!buffer) {
        page.ui.Warn(kOutOfMemory);
        return;
    }
    const Fill fill{slot, page, decoder, buffer};
    for (int position = 0; position < MAX_CONTAINERS; ++position) {
        const int entry = AllocContainerEntry();
        if (entry < 0 || !fill.AppendPosition(root, position, entry)) break;
    }
    buffers.Release(buffer);
    page.tree.Expand(root);
}

}  // namespace keytool
