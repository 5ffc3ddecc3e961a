// Putting certificates and files on a key, and taking them off.
#include <cstdio>

#include "keylib/admin/CertificateFile.h"
#include "keylib/admin/Commands.h"
#include "keylib/admin/Paths.h"
#include "keylib/admin/Report.h"
#include "keylib/dll/StoreFiles.h"
#include "keylib/dll/logic/KeyEdit.h"
#include "keylib/dll/logic/KeyStatus.h"
#include "keylib/dll/logic/TextRules.h"

using namespace keylib;

namespace keyadmin {
namespace {

// Reads the key, applies change, writes the key back, all under the store's lock.
template <class Change>
int changeKey(const std::string& name, Change&& change) {
    KeyStore store;
    KeyRecord record;
    if (!openStore(store) || !readKey(store, name, record)) return 1;
    const uint32_t status = change(record);
    if (status != KEYLIB_OK) return fail("key " + name + ": " + describeStatus(status));
    return writeKey(store, name, record) ? 0 : 1;
}

bool fileContent(const CommandLine& line, std::vector<uint8_t>& data) {
    if (line.has("text") == line.has("from")) {
        fail("file needs exactly one of --text and --from");
        return false;
    }
    if (line.has("text")) {
        const std::string& text = line.options.at("text");
        data.assign(text.begin(), text.end());
    } else if (readWholeFile(widenPath(line.options.at("from")), data) != ReadResult::Ok) {
        fail("cannot read " + line.options.at("from"));
        return false;
    }
    if (data.size() > kMaxFileSize) {
        fail("a key file holds at most 65536 bytes");
        return false;
    }
    return true;
}

}  // namespace

int putCertificate(const CommandLine& line) {
    const std::string& container = line.operands[1];
    uint32_t kind = 0;
    if (!isValidContainerName(container)) {
        return fail("a container name is 1-127 bytes of GBK text");
    }
    if (!parseNumber(line.operands[2], 2, kind) || kind == 0) return fail("kind must be 1 or 2");
    std::vector<uint8_t> der;
    std::string error;
    if (!loadCertificateFile(line.operands[3], der, error)) return fail(error);
    return changeKey(line.operands[0], [&](KeyRecord& record) {
        return keylib::putCertificate(record, container, kind, der);
    });
}

int dropContainer(const CommandLine& line) {
    return changeKey(line.operands[0],
                     [&](KeyRecord& record) { return removeContainer(record, line.operands[1]); });
}

int putFile(const CommandLine& line) {
    uint16_t id = 0;
    if (!parseFileId(line.operands[1], id)) return fail("file id must be hexadecimal, e.g. EF11");
    std::vector<uint8_t> data;
    if (!fileContent(line, data)) return 1;
    return changeKey(line.operands[0],
                     [&](KeyRecord& record) { return keylib::putFile(record, id, data); });
}

int dropFile(const CommandLine& line) {
    uint16_t id = 0;
    if (!parseFileId(line.operands[1], id)) return fail("file id must be hexadecimal, e.g. EF11");
    return changeKey(line.operands[0], [&](KeyRecord& record) { return removeFile(record, id); });
}

}  // namespace keyadmin
