// Viewing the selected certificate: read from the key into g_CertBuf, written
// to a temporary file and handed to the shell, which opens it in the system's
// certificate viewer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pages/logic/CertPageParts.h"
#include "pages/logic/ContainerTable.h"

namespace keytool {

constexpr std::size_t kTempPathSize = 260;

// The temporary directory, the file and the shell.
class CertFiles {
public:
    virtual ~CertFiles() = default;
    // As the platform's temporary-path query: the directory's length without
    // the terminator, the size needed when it does not fit, 0 on failure.
    virtual std::uint32_t TempPath(std::uint32_t size, char* buffer) = 0;
    // Creates or replaces the file with exactly these bytes; false when the
    // name is a link or the file cannot be written.
    virtual bool WriteNewFile(const char* path, const std::uint8_t* bytes,
                              std::uint32_t length) = 0;
    // Shows the certificate written to path: the file with the shell's handler
    // for it, or, where the shell has none, the certificate's bytes in the
    // system's certificate dialog.
    virtual void Open(const char* path, const std::uint8_t* der, std::uint32_t length) = 0;
};

// The temporary certificate file's path; false when the directory cannot be
// found or the path would not fit.
bool TempCertPath(CertFiles& files, char (&path)[kTempPathSize]);

// Reads the selected certificate into g_CertBuf; false (after any warning)
// when the selection is no certificate or the key cannot give it.
bool ReadSelectedCert(std::uint32_t slot, CertPageParts& page, char (&name)[CONTAINER_NAME_SIZE],
                      std::uint32_t* kind, std::uint32_t* length);

void ViewSelectedCert(std::uint32_t slot, CertPageParts& page, CertFiles& files);

// The answer to the tree's double-click: 1 keeps the root from collapsing,
// 0 lets the tree expand or collapse the node after the view.
int OnCertTreeDoubleClick(std::uint32_t slot, CertPageParts& page, CertFiles& files);

}  // namespace keytool
