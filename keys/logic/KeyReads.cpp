#include "keys/logic/KeyReads.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <utility>

#include "keys/logic/KeyCertWalk.h"

namespace keytool {

KeyReads g_KeyReads;

namespace {

template <typename Map>
void EraseSlot(Map& map, std::uint32_t slot) {
    for (auto it = map.begin(); it != map.end();) {
        it = std::get<0>(it->first) == slot ? map.erase(it) : std::next(it);
    }
}

}  // namespace

void KeyReads::NewEvent() {
    m_infos.clear();
    m_certs.clear();
}

void KeyReads::KeepOnly(const std::uint32_t* slots, std::uint32_t count) {
    for (auto it = m_checked.begin(); it != m_checked.end();) {
        it = std::find(slots, slots + count, it->first) == slots + count ? m_checked.erase(it)
                                                                         : std::next(it);
    }
}

void KeyReads::Forget(std::uint32_t slot) {
    m_checked.erase(slot);
    EraseSlot(m_infos, slot);
    EraseSlot(m_certs, slot);
}

std::vector<CertExpiry> KeyReads::Expiries(const std::uint32_t* slots, std::uint32_t count,
                                           CertKeyLibrary& library, CertExpiryDecoder& decoder,
                                           bool reread) {
    RecordedKeyLibrary keys(*this, library, true);
    std::vector<std::uint8_t> buffer;
    std::vector<CertExpiry> found;
    for (std::uint32_t k = 0; k < count; ++k) {
        auto checked = m_checked.find(slots[k]);
        if (reread || checked == m_checked.end()) {
            std::vector<CertExpiry> expiries;
            for (const KeyCertificate& cert : WalkKey(slots[k], keys, buffer).certificates) {
                CertExpiry expiry;
                if (!cert.der.empty() &&
                    decoder.Expiry(cert.der.data(), static_cast<std::uint32_t>(cert.der.size()),
                                   &expiry)) {
                    expiries.push_back(std::move(expiry));
                }
            }
            checked = m_checked.insert_or_assign(slots[k], std::move(expiries)).first;
        }
        found.insert(found.end(), checked->second.begin(), checked->second.end());
    }
    return found;
}

bool KeyReads::CheckNextKey(const std::uint32_t* slots, std::uint32_t count,
                            CertKeyLibrary& library, CertExpiryDecoder& decoder) {
    const std::uint32_t* next = std::find_if(
        slots, slots + count, [&](std::uint32_t slot) { return m_checked.count(slot) == 0; });
    if (next == slots + count) return false;
    Expiries(next, 1, library, decoder, false);
    return true;
}

std::uint32_t RecordedKeyLibrary::ContainerCount(std::uint32_t slot, std::uint32_t* count) {
    return m_library.ContainerCount(slot, count);
}

std::uint32_t RecordedKeyLibrary::ContainerInfo(std::uint32_t slot, std::uint32_t index,
                                                std::uint32_t* flags, std::uint32_t nameSize,
                                                char* name) {
    const auto key = std::tuple(slot, index, nameSize);
    auto found = m_reads.m_infos.find(key);
    if (!m_answered || found == m_reads.m_infos.end()) {
        KeyReads::Info answer{0, *flags, {}};
        answer.status = m_library.ContainerInfo(slot, index, &answer.flags, nameSize, name);
        answer.name.assign(name, nameSize);
        found = m_reads.m_infos.insert_or_assign(key, std::move(answer)).first;
    }
    *flags = found->second.flags;
    std::memcpy(name, found->second.name.data(), nameSize);
    return found->second.status;
}

std::uint32_t RecordedKeyLibrary::ReadCertByName(std::uint32_t slot, const char* container,
                                                 std::uint32_t kind, std::uint32_t* length,
                                                 std::uint8_t* buffer) {
    const std::uint32_t capacity = *length;
    const auto key = std::tuple(slot, std::string(container), kind, capacity);
    auto found = m_reads.m_certs.find(key);
    if (!m_answered || found == m_reads.m_certs.end()) {
        KeyReads::Cert answer{0, capacity, {}};
        answer.status = m_library.ReadCertByName(slot, container, kind, &answer.length, buffer);
        if (answer.status == 0)
            answer.der.assign(buffer, buffer + std::min(answer.length, capacity));
        found = m_reads.m_certs.insert_or_assign(key, std::move(answer)).first;
    }
    *length = found->second.length;
    std::copy(found->second.der.begin(), found->second.der.end(), buffer);
    return found->second.status;
}

std::uint32_t RecordedKeyLibrary::Reset(std::uint32_t slot) { return m_library.Reset(slot); }

std::uint32_t RecordedKeyLibrary::VerifyPassword(std::uint32_t slot, std::uint32_t kind,
                                                 const char* password) {
    return m_library.VerifyPassword(slot, kind, password);
}

std::uint32_t RecordedKeyLibrary::DeleteContainerByName(std::uint32_t slot, const char* container) {
    m_reads.Forget(slot);
    return m_library.DeleteContainerByName(slot, container);
}

}  // namespace keytool
