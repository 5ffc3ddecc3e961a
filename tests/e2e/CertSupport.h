// Certificates for the certificate page's tests, and the page's windows.
#pragma once

#include <windows.h>

#include <string>

namespace e2e {

// DER bytes of a self-signed certificate made by the platform, subject
// "CN=commonName, O=Qelmora Bank, C=CN"; empty when it could not be made.
std::string MakeSelfSignedCert(const std::wstring& commonName);

// The certificate page's tree (control 1006) in the main window; its parent is the page.
HWND FindCertTree(HWND main);

}  // namespace e2e
