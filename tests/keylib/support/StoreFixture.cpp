#include "tests/keylib/support/StoreFixture.h"

#include <windows.h>
#include <shellapi.h>

#include "keylib/dll/KeyStore.h"
#include "keylib/dll/PasswordHash.h"
#include "keylib/dll/StoreFiles.h"
#include "keylib/dll/logic/KeyStatus.h"

namespace keylibtest {
namespace {

std::string programFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\'));
}

void removeTree(const std::string& folder) {
    std::string from = folder + '\0';  // SHFileOperation wants a double-NUL list
    SHFILEOPSTRUCTA op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    SHFileOperationA(&op);
}

}  // namespace

std::string testCertificatePath(const std::string& fileName) {
    return programFolder() + "\\keylib-test-certs\\" + fileName;
}

std::vector<uint8_t> testCertificate(const std::string& fileName) {
    const std::string path = testCertificatePath(fileName);
    std::vector<uint8_t> bytes;
    const std::wstring wide(path.begin(), path.end());
    EXPECT_EQ(keylib::readWholeFile(wide, bytes), keylib::ReadResult::Ok) << path;
    return bytes;
}

void StoreTest::SetUp() {
    static unsigned counter = 0;
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    folder_ = std::string(temp) + "keylib-test-" + std::to_string(GetCurrentProcessId()) + "-" +
              std::to_string(++counter);
    removeTree(folder_);
    ASSERT_TRUE(SetEnvironmentVariableA("KEYLIB_STORE", folder_.c_str()));
}

void StoreTest::TearDown() {
    removeTree(folder_);
    SetEnvironmentVariableA("KEYLIB_STORE", nullptr);
}

keylib::KeyRecord StoreTest::newRecord(const std::string& label) const {
    keylib::KeyRecord record;
    record.label = label;
    record.status = 2;
    record.maxTries = kTries;
    record.triesLeft = kTries;
    EXPECT_EQ(keylib::setPassword(record, kPassword), KEYLIB_OK);
    return record;
}

void StoreTest::writeKey(const std::string& name, const keylib::KeyRecord& record) const {
    keylib::KeyStore store;
    ASSERT_EQ(store.open(), KEYLIB_OK);
    ASSERT_EQ(store.writeKey(name, record), KEYLIB_OK);
}

keylib::KeyRecord StoreTest::readKey(const std::string& name) const {
    keylib::KeyStore store;
    keylib::KeyRecord record;
    EXPECT_EQ(store.open(), KEYLIB_OK);
    EXPECT_EQ(store.readKey(name, record), KEYLIB_OK);
    return record;
}

uint32_t StoreTest::makePluggedKey(const std::string& name, const std::string& label) {
    writeKey(name, newRecord(label));
    return plug(name);
}

uint32_t StoreTest::plug(const std::string& name) const {
    keylib::KeyStore store;
    keylib::PluggedSet set;
    uint32_t slot = 0;
    EXPECT_EQ(store.open(), KEYLIB_OK);
    EXPECT_EQ(store.readPlugged(set), KEYLIB_OK);
    EXPECT_EQ(keylib::plugKey(set, name, slot), keylib::PlugResult::Plugged);
    EXPECT_EQ(store.writePlugged(set), KEYLIB_OK);
    return slot;
}

void StoreTest::pull(const std::string& name) const {
    keylib::KeyStore store;
    keylib::PluggedSet set;
    ASSERT_EQ(store.open(), KEYLIB_OK);
    ASSERT_EQ(store.readPlugged(set), KEYLIB_OK);
    ASSERT_TRUE(keylib::pullKey(set, name));
    ASSERT_EQ(store.writePlugged(set), KEYLIB_OK);
}

std::wstring StoreTest::filePath(const std::string& fileName) const {
    const std::string path = folder_ + "\\" + fileName;
    return std::wstring(path.begin(), path.end());
}

std::wstring StoreTest::keyPath(const std::string& name) const { return filePath(name + ".key"); }

}  // namespace keylibtest
