// What the plugged keys' containers and certificates answered. Real keys
// answer slowly, so one device change or refresh reads each key once: the
// certificate tree's reading of a key serves the expiry check of the same
// event, and a key checked since it was plugged in is not read again for the
// reminders when another key arrives.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "keys/logic/KeyCerts.h"

namespace keytool {

class KeyReads {
public:
    // A device change or refresh begins: the keys are asked afresh.
    void NewEvent();
    // Forgets the keys no longer plugged in.
    void KeepOnly(const std::uint32_t* slots, std::uint32_t count);
    // Every certificate on the keys in slots, in key order. A key is read
    // through the record unless it was checked since it was plugged in (all
    // are read when `reread`); what the decoder refuses is passed over.
    std::vector<CertExpiry> Expiries(const std::uint32_t* slots, std::uint32_t count,
                                     CertKeyLibrary& library, CertExpiryDecoder& decoder,
                                     bool reread);
    // Reads the first key in slots not checked since it was plugged in, as Expiries
    // would; false when every one is. Lets a caller spread a check over many turns.
    bool CheckNextKey(const std::uint32_t* slots, std::uint32_t count, CertKeyLibrary& library,
                      CertExpiryDecoder& decoder);

private:
    friend class RecordedKeyLibrary;
    struct Info {
        std::uint32_t status, flags;
        std::string name;  // the nameSize bytes the caller got
    };
    struct Cert {
        std::uint32_t status, length;
        std::vector<std::uint8_t> der;
    };
    void Forget(std::uint32_t slot);

    std::map<std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>, Info> m_infos;
    std::map<std::tuple<std::uint32_t, std::string, std::uint32_t, std::uint32_t>, Cert> m_certs;
    std::map<std::uint32_t, std::vector<CertExpiry>> m_checked;
};

// The key library seen through the record. Every call of the pages reaches the
// library and its answer is kept; the expiry check's reads (`answered`) are
// answered from the record when this event already made them. Deleting a
// container forgets what its key held.
class RecordedKeyLibrary : public CertKeyLibrary {
public:
    RecordedKeyLibrary(KeyReads& reads, CertKeyLibrary& library, bool answered = false)
        : m_reads(reads), m_library(library), m_answered(answered) {}

    std::uint32_t ContainerCount(std::uint32_t slot, std::uint32_t* count) override;
    std::uint32_t ContainerInfo(std::uint32_t slot, std::uint32_t index, std::uint32_t* flags,
                                std::uint32_t nameSize, char* name) override;
    std::uint32_t ReadCertByName(std::uint32_t slot, const char* container, std::uint32_t kind,
                                 std::uint32_t* length, std::uint8_t* buffer) override;
    std::uint32_t Reset(std::uint32_t slot) override;
    std::uint32_t VerifyPassword(std::uint32_t slot, std::uint32_t kind,
                                 const char* password) override;
    std::uint32_t DeleteContainerByName(std::uint32_t slot, const char* container) override;

private:
    KeyReads& m_reads;
    CertKeyLibrary& m_library;
    const bool m_answered;
};

// The main window's and the pages' record, for the whole process.
extern KeyReads g_KeyReads;

}  // namespace keytool
