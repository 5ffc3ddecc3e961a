#include "keylib/dll/logic/KeyFile.h"

#include <cstring>
#include <set>
#include <string>

#include "keylib/dll/logic/Crc32.h"
#include "keylib/dll/logic/TextRules.h"

namespace keylib {
namespace {

const uint8_t kMagic[4] = {'Q', 'K', 'E', 'Y'};
constexpr uint16_t kFlagInitialPassword = 0x1;

class Writer {
public:
    void u8(uint8_t v) { bytes_.push_back(v); }
    void u16(uint16_t v) {
        u8(static_cast<uint8_t>(v));
        u8(static_cast<uint8_t>(v >> 8));
    }
    void u32(uint32_t v) {
        u16(static_cast<uint16_t>(v));
        u16(static_cast<uint16_t>(v >> 16));
    }
    void raw(const void* p, size_t n) {
        const auto* b = static_cast<const uint8_t*>(p);
        bytes_.insert(bytes_.end(), b, b + n);
    }
    void blob32(const std::vector<uint8_t>& v) {
        u32(static_cast<uint32_t>(v.size()));
        raw(v.data(), v.size());
    }
    void text8(const std::string& s) {
        u8(static_cast<uint8_t>(s.size()));
        raw(s.data(), s.size());
    }
    void patch32(size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            bytes_[at + i] = static_cast<uint8_t>(v >> (8 * i));
        }
    }
    std::vector<uint8_t>& bytes() { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

// Every read checks the bytes left, so a lying length field can never reach past the buffer.
class Reader {
public:
    Reader(const uint8_t* data, size_t size) : p_(data), left_(size) {}

    bool u8(uint8_t& v) {
        if (left_ < 1) return false;
        v = *p_;
        skip(1);
        return true;
    }
    bool u16(uint16_t& v) {
        if (left_ < 2) return false;
        v = static_cast<uint16_t>(p_[0] | (p_[1] << 8));
        skip(2);
        return true;
    }
    bool u32(uint32_t& v) {
        if (left_ < 4) return false;
        v = static_cast<uint32_t>(p_[0]) | (static_cast<uint32_t>(p_[1]) << 8) |
            (static_cast<uint32_t>(p_[2]) << 16) | (static_cast<uint32_t>(p_[3]) << 24);
        skip(4);
        return true;
    }
    bool raw(void* out, size_t n) {
        if (left_ < n) return false;
        std::memcpy(out, p_, n);
        skip(n);
        return true;
    }
    // limit keeps a damaged length from asking for a huge allocation before it fails.
    bool blob32(std::vector<uint8_t>& v, size_t limit) {
        uint32_t n = 0;
        if (!u32(n) || n > left_ || n > limit) return false;
        v.assign(p_, p_ + n);
        skip(n);
        return true;
    }
    bool text8(std::string& s) {
        uint8_t n = 0;
        if (!u8(n) || n > left_) return false;
        s.assign(reinterpret_cast<const char*>(p_), n);
        skip(n);
        return true;
    }
    size_t left() const { return left_; }

private:
    void skip(size_t n) {
        p_ += n;
        left_ -= n;
    }
    const uint8_t* p_;
    size_t left_;
};

uint32_t readU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

bool validContainers(const KeyRecord& record) {
    std::set<std::string> names;
    for (const Container& c : record.containers) {
        if (c.empty()) {
            if (!c.certificates[0].empty() || !c.certificates[1].empty()) return false;
            continue;
        }
        if (!isValidContainerName(c.name) || !names.insert(c.name).second) return false;
        for (const auto& der : c.certificates) {
            if (der.size() > kMaxCertificate) return false;
        }
    }
    return true;
}

bool validFiles(const KeyRecord& record) {
    if (record.files.size() > kMaxFiles) return false;
    std::set<uint16_t> ids;
    for (const KeyFileEntry& f : record.files) {
        if (f.data.size() > kMaxFileSize || !ids.insert(f.id).second) return false;
    }
    return true;
}

ParseResult parseBody(Reader& r, KeyRecord& rec) {
    if (!r.u32(rec.status) || !r.u8(rec.maxTries) || !r.u8(rec.triesLeft) || !r.text8(rec.label) ||
        !r.raw(rec.password.salt.data(), kSaltSize) || !r.u32(rec.password.iterations) ||
        !r.raw(rec.password.hash.data(), kHashSize)) {
        return ParseResult::Truncated;
    }
    for (Container& c : rec.containers) {
        if (!r.text8(c.name) || !r.blob32(c.certificates[0], kMaxCertificate) ||
            !r.blob32(c.certificates[1], kMaxCertificate)) {
            return ParseResult::Truncated;
        }
    }
    uint8_t fileCount = 0;
    if (!r.u8(fileCount)) return ParseResult::Truncated;
    if (fileCount > kMaxFiles) return ParseResult::BadField;
    rec.files.resize(fileCount);
    for (KeyFileEntry& f : rec.files) {
        if (!r.u16(f.id) || !r.blob32(f.data, kMaxFileSize)) return ParseResult::Truncated;
    }
    return r.left() == 0 ? ParseResult::Ok : ParseResult::TrailingBytes;
}

}  // namespace

bool validateRecord(const KeyRecord& record) {
    return isValidLabel(record.label) && record.maxTries >= 1 && record.maxTries <= kMaxTries &&
           record.triesLeft <= record.maxTries && record.password.iterations >= kMinIterations &&
           record.password.iterations <= kMaxIterations && validContainers(record) &&
           validFiles(record);
}

std::vector<uint8_t> serializeKeyFile(const KeyRecord& record) {
    Writer w;
    w.raw(kMagic, sizeof kMagic);
    w.u16(kKeyFileVersion);
    w.u16(record.initialPassword ? kFlagInitialPassword : 0);
    w.u32(0);  // total length, patched below
    w.u32(0);  // checksum, patched below
    w.u32(record.status);
    w.u8(record.maxTries);
    w.u8(record.triesLeft);
    w.text8(record.label);
    w.raw(record.password.salt.data(), kSaltSize);
    w.u32(record.password.iterations);
    w.raw(record.password.hash.data(), kHashSize);
    for (const Container& c : record.containers) {
        w.text8(c.name);
        w.blob32(c.certificates[0]);
        w.blob32(c.certificates[1]);
    }
    w.u8(static_cast<uint8_t>(record.files.size()));
    for (const KeyFileEntry& f : record.files) {
        w.u16(f.id);
        w.blob32(f.data);
    }
    std::vector<uint8_t>& bytes = w.bytes();
    w.patch32(8, static_cast<uint32_t>(bytes.size()));
    w.patch32(kKeyFileChecksumOffset,
              crc32(bytes.data() + kKeyFileHeaderSize, bytes.size() - kKeyFileHeaderSize));
    return bytes;
}

ParseResult parseKeyFile(const uint8_t* data, size_t size, KeyRecord& out) {
    if (data == nullptr || size < kKeyFileHeaderSize) return ParseResult::Truncated;
    if (std::memcmp(data, kMagic, sizeof kMagic) != 0) return ParseResult::BadMagic;
    const uint16_t version = static_cast<uint16_t>(data[4] | (data[5] << 8));
    if (version != kKeyFileVersion) return ParseResult::BadVersion;
    const uint16_t flags = static_cast<uint16_t>(data[6] | (data[7] << 8));
    if (readU32(data + 8) != size) return ParseResult::BadLength;
    const uint32_t stored = readU32(data + kKeyFileChecksumOffset);
    if (crc32(data + kKeyFileHeaderSize, size - kKeyFileHeaderSize) != stored) {
        return ParseResult::BadChecksum;
    }
    if ((flags & ~kFlagInitialPassword) != 0) return ParseResult::BadField;

    KeyRecord rec;
    rec.initialPassword = (flags & kFlagInitialPassword) != 0;
    Reader r(data + kKeyFileHeaderSize, size - kKeyFileHeaderSize);
    const ParseResult body = parseBody(r, rec);
    if (body != ParseResult::Ok) return body;
    if (!validateRecord(rec)) return ParseResult::BadField;
    out = std::move(rec);
    return ParseResult::Ok;
}

}  // namespace keylib
