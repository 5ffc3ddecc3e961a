// The certificate page's answers to a new selection in the tree and to its
// delete button.
#pragma once

#include <cstdint>

#include "pages/logic/CertPageParts.h"
#include "pages/logic/LastTry.h"

namespace keytool {

// Narrows the view and delete buttons to the selected node: both enabled for
// a certificate, both disabled for the root, a container or an empty position.
void OnCertSelectionChanged(CertPageParts& page);

// Deletes the selected certificate's container after two confirmations and
// the library's password check, which on the key's last try waits for the
// user's Yes. True when the tree must be refilled.
bool DeleteSelectedCert(std::uint32_t slot, CertPageParts& page, LastTryQuestion& lastTry);

}  // namespace keytool
