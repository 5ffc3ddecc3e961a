#include "tools/bench/BenchKeys.h"

#include <windows.h>

#include <stdexcept>

#include "keylib/dll/logic/KeyFile.h"

namespace bench {
namespace {

// The benchmark never verifies a password, so one plug id serves every plugging.
constexpr uint64_t kPlugId = 0xBE7C4;

// Offset and length of the content of the DER element at `at`.
std::pair<size_t, size_t> content(const std::vector<uint8_t>& der, size_t at) {
    if (at + 2 > der.size()) throw std::runtime_error("template certificate truncated");
    size_t length = der[at + 1], start = at + 2;
    if (length & 0x80) {
        const size_t bytes = length & 0x7F;
        if (bytes == 0 || bytes > 3 || start + bytes > der.size()) {
            throw std::runtime_error("template certificate length");
        }
        length = 0;
        for (size_t i = 0; i < bytes; ++i) length = length << 8 | der[start + i];
        start += bytes;
    }
    return {start, length};
}

void writeAtomically(const std::string& path, const std::vector<uint8_t>& bytes) {
    const std::string temp = path + ".bench";
    HANDLE file = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    const bool ok =
        file != INVALID_HANDLE_VALUE &&
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size();
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    if (!ok || !MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        throw std::runtime_error("cannot write " + path);
    }
}

}  // namespace

std::vector<uint8_t> withSerial(const std::vector<uint8_t>& der, uint32_t serial) {
    // Certificate ::= SEQUENCE { tbsCertificate SEQUENCE { [0] version, serialNumber, ...
    const size_t tbs = content(der, 0).first;
    size_t at = content(der, tbs).first;
    if (at < der.size() && der[at] == 0xA0) {
        const auto version = content(der, at);
        at = version.first + version.second;
    }
    if (at >= der.size() || der[at] != 0x02) throw std::runtime_error("no serial number");
    const auto number = content(der, at);
    if (number.second < 4) throw std::runtime_error("serial number too short");
    std::vector<uint8_t> copy = der;
    const size_t end = number.first + number.second;
    copy[end - 3] = static_cast<uint8_t>(serial >> 16);
    copy[end - 2] = static_cast<uint8_t>(serial >> 8);
    copy[end - 1] = static_cast<uint8_t>(serial);
    return copy;
}

BenchKeys::BenchKeys(std::string folder, std::vector<uint8_t> templateCert)
    : folder_(std::move(folder)), template_(std::move(templateCert)) {
    CreateDirectoryA(folder_.c_str(), nullptr);
    writePlugged();
}

std::string BenchKeys::name(size_t index) {
    char text[16];
    wsprintfA(text, "bench%03u", static_cast<unsigned>(index));
    return text;
}

void BenchKeys::create(size_t count) {
    for (size_t i = 0; i < count; ++i) {
        keylib::KeyRecord record;
        record.label = "Bench" + std::to_string(i);
        record.status = 2;  // certificates are registered on every device change
        record.maxTries = record.triesLeft = 6;
        record.password.iterations = keylib::kMinIterations;  // never verified here
        const uint32_t serial = static_cast<uint32_t>(i) << 4;
        record.containers[0].name = "Main";
        record.containers[0].certificates = {withSerial(template_, serial + 1),
                                             withSerial(template_, serial + 2)};
        record.containers[1].name = "Sign";
        record.containers[1].certificates[1] = withSerial(template_, serial + 3);
        writeAtomically(folder_ + "\\" + name(i) + ".key", keylib::serializeKeyFile(record));
    }
}

void BenchKeys::plugFirst(size_t count) {
    set_.keys.clear();
    uint32_t slot = 0;
    for (size_t i = 0; i < count; ++i) keylib::plugKey(set_, name(i), kPlugId, slot);
    writePlugged();
}

void BenchKeys::plug(size_t index) {
    uint32_t slot = 0;
    keylib::plugKey(set_, name(index), kPlugId, slot);
    writePlugged();
}

void BenchKeys::pull(size_t index) {
    keylib::pullKey(set_, name(index));
    writePlugged();
}

void BenchKeys::writePlugged() const {
    const std::string text = keylib::formatPluggedSet(set_);
    writeAtomically(folder_ + "\\plugged.txt", std::vector<uint8_t>(text.begin(), text.end()));
}

}  // namespace bench
