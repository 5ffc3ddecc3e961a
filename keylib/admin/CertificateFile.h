// Reading a certificate the admin tool is to put on a key.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace keyadmin {

// Reads a DER or PEM ("-----BEGIN CERTIFICATE-----") file and checks that it holds one X.509
// certificate; on failure error says why.
bool loadCertificateFile(const std::string& path, std::vector<uint8_t>& der, std::string& error);

}  // namespace keyadmin
