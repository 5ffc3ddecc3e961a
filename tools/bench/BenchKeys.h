// A key store for benchmarks: up to 256 virtual keys with three certificates each, written
// straight from the key-file format, and a plugged-in set the benchmark changes between
// device events (the program under test reads it only while handling one).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "keylib/dll/logic/PluggedSet.h"

namespace bench {

class BenchKeys {
public:
    // templateCert: any DER certificate; each key gets copies with serial numbers of their own,
    // so that every certificate has its own thumbprint.
    BenchKeys(std::string folder, std::vector<uint8_t> templateCert);

    const std::string& folder() const { return folder_; }
    void create(size_t count);
    static std::string name(size_t index);
    // Plugs exactly the first `count` keys, in order, as one change.
    void plugFirst(size_t count);
    void plug(size_t index);
    void pull(size_t index);

private:
    void writePlugged() const;

    std::string folder_;
    std::vector<uint8_t> template_;
    keylib::PluggedSet set_;
};

// The certificate with the last three bytes of its serial number replaced.
std::vector<uint8_t> withSerial(const std::vector<uint8_t>& der, uint32_t serial);

}  // namespace bench
