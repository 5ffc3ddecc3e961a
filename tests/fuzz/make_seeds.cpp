// Writes the fuzzers' starting inputs: a few valid key files of different shapes.
#include <cstdio>
#include <string>

#include "keylib/dll/logic/KeyEdit.h"
#include "keylib/dll/logic/KeyFile.h"

namespace {

keylib::KeyRecord baseRecord() {
    keylib::KeyRecord r;
    r.label = "Seed";
    r.maxTries = 6;
    r.triesLeft = 6;
    r.password.iterations = 10000;
    return r;
}

bool write(const std::string& path, const keylib::KeyRecord& record) {
    const auto bytes = keylib::serializeKeyFile(record);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds CORPUS-DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    keylib::KeyRecord empty = baseRecord();
    keylib::KeyRecord full = baseRecord();
    full.initialPassword = true;
    full.status = 4;
    full.triesLeft = 0;
    keylib::putCertificate(full, "both", 1, {0x30, 0x03, 0x02, 0x01, 0x01});
    keylib::putCertificate(full, "both", 2, {0x30, 0x00});
    keylib::putCertificate(full, "sign", 2, {0x30, 0x01, 0x05});
    keylib::putFile(full, keylib::kLaunchFileId, {'h', 't', 't', 'p', 's', ':', '/', '/'});
    keylib::putFile(full, 1, {});
    const bool ok = write(dir + "/empty.key", empty) && write(dir + "/full.key", full);
    return ok ? 0 : 1;
}
