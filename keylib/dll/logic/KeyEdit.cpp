#include "keylib/dll/logic/KeyEdit.h"

#include <algorithm>
#include <cstring>

#include "keylib/dll/logic/KeyStatus.h"
#include "keylib/dll/logic/TextRules.h"

namespace keylib {
namespace {

bool validKind(uint32_t kind) { return kind == 1 || kind == 2; }

}  // namespace

int findContainer(const KeyRecord& record, const std::string& name) {
    if (name.empty()) return -1;
    for (size_t i = 0; i < record.containers.size(); ++i) {
        if (record.containers[i].name == name) return static_cast<int>(i);
    }
    return -1;
}

uint32_t containerFlags(const Container& container) {
    uint32_t flags = 0;
    if (!container.certificates[0].empty()) flags |= 0x1 | 0x4;
    if (!container.certificates[1].empty()) flags |= 0x2 | 0x8;
    return flags;
}

uint32_t countContainers(const KeyRecord& record) {
    return static_cast<uint32_t>(std::count_if(record.containers.begin(), record.containers.end(),
                                               [](const Container& c) { return !c.empty(); }));
}

uint32_t putCertificate(KeyRecord& record, const std::string& container, uint32_t kind,
                        const std::vector<uint8_t>& der) {
    if (!isValidContainerName(container) || !validKind(kind) || der.empty() ||
        der.size() > kMaxCertificate) {
        return KEYLIB_E_BAD_ARGUMENT;
    }
    int index = findContainer(record, container);
    if (index < 0) {
        const auto free = std::find_if(record.containers.begin(), record.containers.end(),
                                       [](const Container& c) { return c.empty(); });
        if (free == record.containers.end()) return KEYLIB_E_FULL;
        index = static_cast<int>(free - record.containers.begin());
        record.containers[index].name = container;
    }
    record.containers[index].certificates[kind - 1] = der;
    return KEYLIB_OK;
}

uint32_t removeContainer(KeyRecord& record, const std::string& container) {
    const int index = findContainer(record, container);
    if (index < 0) return KEYLIB_E_NOT_FOUND;
    record.containers[index] = Container{};
    return KEYLIB_OK;
}

const KeyFileEntry* findFile(const KeyRecord& record, uint16_t id) {
    for (const KeyFileEntry& f : record.files) {
        if (f.id == id) return &f;
    }
    return nullptr;
}

uint32_t putFile(KeyRecord& record, uint16_t id, const std::vector<uint8_t>& data) {
    if (data.size() > kMaxFileSize) return KEYLIB_E_BAD_ARGUMENT;
    for (KeyFileEntry& f : record.files) {
        if (f.id == id) {
            f.data = data;
            return KEYLIB_OK;
        }
    }
    if (record.files.size() >= kMaxFiles) return KEYLIB_E_FULL;
    record.files.push_back(KeyFileEntry{id, data});
    return KEYLIB_OK;
}

uint32_t removeFile(KeyRecord& record, uint16_t id) {
    const auto it = std::find_if(record.files.begin(), record.files.end(),
                                 [id](const KeyFileEntry& f) { return f.id == id; });
    if (it == record.files.end()) return KEYLIB_E_NOT_FOUND;
    record.files.erase(it);
    return KEYLIB_OK;
}

uint32_t copyText(const std::string& text, uint32_t capacity, char* out) {
    if (out == nullptr) return KEYLIB_E_BAD_ARGUMENT;
    if (text.size() >= capacity) return KEYLIB_E_BUFFER_TOO_SMALL;
    std::memcpy(out, text.data(), text.size());
    out[text.size()] = '\0';
    return KEYLIB_OK;
}

uint32_t copyCertificate(const Container& container, uint32_t kind, uint32_t* length,
                         uint8_t* buffer) {
    if (length == nullptr || !validKind(kind)) return KEYLIB_E_BAD_ARGUMENT;
    const std::vector<uint8_t>& der = container.certificates[kind - 1];
    if (der.empty()) return KEYLIB_E_NOT_FOUND;
    if (*length < der.size()) {
        *length = static_cast<uint32_t>(der.size());
        return KEYLIB_E_BUFFER_TOO_SMALL;
    }
    if (buffer == nullptr) return KEYLIB_E_BAD_ARGUMENT;
    std::memcpy(buffer, der.data(), der.size());
    *length = static_cast<uint32_t>(der.size());
    return KEYLIB_OK;
}

uint32_t copyFileRange(const std::vector<uint8_t>& data, uint32_t offset, uint32_t length,
                       uint8_t* buffer) {
    if (buffer == nullptr || offset > data.size()) return KEYLIB_E_BAD_ARGUMENT;
    const size_t n = std::min<size_t>(length, data.size() - offset);
    if (n > 0) std::memcpy(buffer, data.data() + offset, n);  // an empty file has no data()
    if (n < length) buffer[n] = 0;
    return KEYLIB_OK;
}

}  // namespace keylib
