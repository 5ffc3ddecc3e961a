// keyadmin.exe: what it makes is what the library reads; bad requests fail clearly and change
// nothing; plugging and pulling reach running windows before the tool returns.
#include <windows.h>
#include <wincrypt.h>

#include <gtest/gtest.h>

#include <vector>

#include "keylib/KeyLib.h"
#include "keylib/dll/StoreFiles.h"
#include "keylib/dll/logic/KeyFile.h"
#include "keylib/dll/logic/KeyStatus.h"
#include "tests/keylib/support/AdminProcess.h"
#include "tests/keylib/support/StoreFixture.h"

namespace keylibtest {
namespace {

using AdminTest = StoreTest;

std::vector<uint32_t> slotList() {
    uint32_t slots[KEYLIB_MAX_SLOTS] = {};
    uint32_t count = 0;
    CSP_GetSlotList(slots, &count);
    return std::vector<uint32_t>(slots, slots + count);
}

void expectRun(const std::string& arguments) {
    const AdminResult result = runAdmin(arguments);
    EXPECT_EQ(result.exitCode, 0u) << arguments << "\n" << result.output;
}

void expectRefused(const std::string& arguments, const std::string& message) {
    const AdminResult result = runAdmin(arguments);
    EXPECT_NE(result.exitCode, 0u) << arguments;
    EXPECT_NE(result.output.find(message), std::string::npos)
        << arguments << "\nmessage: " << result.output;
}

std::string subjectOf(const std::vector<uint8_t>& der) {
    PCCERT_CONTEXT cert =
        CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
    if (cert == nullptr) return "";
    char name[128] = {};
    CertGetNameStringA(cert, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name, sizeof name);
    CertFreeCertificateContext(cert);
    return name;
}

std::vector<uint8_t> readCert(uint32_t slot, const char* container, uint32_t kind) {
    std::vector<uint8_t> buffer(KEYLIB_CERT_MAX);
    uint32_t length = KEYLIB_CERT_MAX;
    if (CSP_ReadCertByName(slot, container, kind, &length, buffer.data()) != KEYLIB_OK) return {};
    buffer.resize(length);
    return buffer;
}

TEST_F(AdminTest, WithoutArgumentsItPrintsUsageAndFails) {
    const AdminResult result = runAdmin("");
    EXPECT_EQ(result.exitCode, 2u);
    EXPECT_NE(result.output.find("usage: keyadmin"), std::string::npos) << result.output;
    EXPECT_EQ(runAdmin("help").exitCode, 0u);
}

TEST_F(AdminTest, KeyMadeByTheToolIsWhatTheLibraryReads) {
    expectRun("create demo --label 演示UsbKey --password 12345a78 --tries 3 --status 4");
    expectRun("cert demo 主容器 1 \"" + testCertificatePath("one.der") + "\"");
    expectRun("cert demo 主容器 2 \"" + testCertificatePath("three.pem") + "\"");
    expectRun("cert demo second 2 \"" + testCertificatePath("two.der") + "\"");
    expectRun("file demo EF11 --text https://ebank.qelmora.com/");
    expectRun("plug demo");

    const std::vector<uint32_t> slots = slotList();
    ASSERT_EQ(slots.size(), 1u);
    const uint32_t slot = slots[0];
    char label[KEYLIB_LABEL_BUF] = {};
    ASSERT_EQ(CSP_GetUsbKeyLabel(slot, label), KEYLIB_OK);
    EXPECT_STREQ(label, "演示UsbKey");
    uint32_t status = 0;
    CSP_GetSlotStatus(slot, &status);
    EXPECT_EQ(status, 4u);
    EXPECT_EQ(readCert(slot, "主容器", 1), testCertificate("one.der"));
    EXPECT_EQ(subjectOf(readCert(slot, "主容器", 2)), "Keylib Test Three") << "PEM decoded";
    EXPECT_EQ(readCert(slot, "second", 2), testCertificate("two.der"));
    uint8_t text[260] = {};
    ASSERT_EQ(CSP_FileRead(slot, 0xEF11, 0, sizeof text, text), KEYLIB_OK);
    EXPECT_STREQ(reinterpret_cast<char*>(text), "https://ebank.qelmora.com/");
    EXPECT_EQ(CSP_VerifyPassword(slot, 1, "wrong-pass"), 0x63C2u);
    EXPECT_EQ(CSP_VerifyPassword(slot, 1, "12345a78"), KEYLIB_OK);

    const AdminResult shown = runAdmin("show demo");
    EXPECT_NE(shown.output.find("tries: 3 of 3 left"), std::string::npos) << shown.output;
    EXPECT_NE(shown.output.find("Keylib Test Three"), std::string::npos) << shown.output;
    const AdminResult listed = runAdmin("list");
    EXPECT_NE(listed.output.find("plugged, slot " + std::to_string(slot)), std::string::npos)
        << listed.output;
}

TEST_F(AdminTest, SetChangesOnlyWhatItIsGiven) {
    expectRun("create k --label Before --password 12345a78");
    expectRun("set k --tries-left 0 --initial on");
    keylib::KeyRecord record = readKey("k");
    EXPECT_EQ(record.label, "Before");
    EXPECT_EQ(record.triesLeft, 0);
    EXPECT_EQ(record.maxTries, 6);
    EXPECT_TRUE(record.initialPassword);

    expectRun("set k --password Other-pass --label After --initial off");
    expectRun("plug k");
    const uint32_t slot = slotList().at(0);
    EXPECT_EQ(CSP_VerifyPassword(slot, 1, "Other-pass"), KEYLIB_OK) << "a new password unlocks";
    record = readKey("k");
    EXPECT_EQ(record.label, "After");
    EXPECT_FALSE(record.initialPassword);
}

TEST_F(AdminTest, BadRequestsFailWithAMessageAndChangeNothing) {
    expectRun("create k --label Keep --password 12345a78");
    const keylib::KeyRecord before = readKey("k");
    expectRefused("frobnicate k", "unknown command");
    expectRefused("create k --label Keep --password 12345a78", "exists already");
    expectRefused("create bad/name --label X --password 12345a78", "not a key name");
    expectRefused("create n --label X", "--password");
    expectRefused("set k --label 0123456789abcdef", "1-15 bytes");
    expectRefused("set k --password 1234567", "8-16 bytes");
    expectRefused("set k --tries 16", "--tries must be 1-15");
    expectRefused("set k --tries-left 9", "--tries-left");
    expectRefused("set k --bogus 1", "has no option --bogus");
    expectRefused("set nokey --label X", "no key named nokey");
    expectRefused("cert k c 3 \"" + testCertificatePath("one.der") + "\"", "kind must be 1 or 2");
    expectRefused("cert k c 1 C:\\no\\such.der", "cannot read");
    const std::string junk = folder() + "\\junk.der";
    const char junkBytes[] = {0x30, 0x03, 0x02, 0x01, 0x05};
    ASSERT_TRUE(keylib::writeFileAtomically(std::wstring(junk.begin(), junk.end()), junkBytes,
                                            sizeof junkBytes));
    expectRefused("cert k c 1 \"" + junk + "\"", "no X.509 certificate");
    expectRefused("file k XYZ --text a", "hexadecimal");
    expectRefused("file k EF11", "exactly one of --text and --from");
    expectRefused("drop-file k 1234", "not on the key");
    expectRefused("show", "operand");
    expectRefused("pull k", "not plugged in");
    expectRefused("plug nokey", "no key named nokey");

    const keylib::KeyRecord after = readKey("k");
    EXPECT_EQ(keylib::serializeKeyFile(after), keylib::serializeKeyFile(before));
}

TEST_F(AdminTest, SixContainersAndFiftyFilesAreTheLimit) {
    expectRun("create k --label Full --password 12345a78");
    const std::string cert = " 1 \"" + testCertificatePath("one.der") + "\"";
    for (int i = 0; i < 6; ++i) expectRun("cert k c" + std::to_string(i) + cert);
    expectRefused("cert k c6" + cert, "no room left");
    keylib::KeyRecord record = readKey("k");
    for (uint16_t id = 0; id < 49; ++id) record.files.push_back({id, {}});
    writeKey("k", record);
    expectRun("file k 0x31 --text x");
    expectRefused("file k 0x32 --text x", "no room left");
    expectRun("file k 0x31 --text replaced");
}

TEST_F(AdminTest, PulledKeyIsGoneFromTheListAndCanThenBeDeleted) {
    expectRun("create k --label K --password 12345a78");
    expectRun("plug k");
    const uint32_t slot = slotList().at(0);
    expectRefused("delete k", "pull key k before deleting it");
    expectRun("pull k");
    EXPECT_TRUE(slotList().empty());
    uint32_t status = 0;
    EXPECT_EQ(CSP_GetSlotStatus(slot, &status), KEYLIB_E_BAD_SLOT);
    expectRun("delete k");
    EXPECT_EQ(GetFileAttributesW(keyPath("k").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(AdminTest, StoreOptionChoosesTheFolder) {
    const std::string other = folder() + "-other";
    expectRun("--store \"" + other + "\" create k --label Elsewhere --password 12345a78");
    EXPECT_EQ(GetFileAttributesW(keyPath("k").c_str()), INVALID_FILE_ATTRIBUTES);
    const std::string file = other + "\\k.key";
    EXPECT_NE(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES);
    DeleteFileA(file.c_str());
    RemoveDirectoryA(other.c_str());
}

// A top-level window standing in for the running key tool.
struct DeviceWatcher {
    static std::vector<WPARAM> events;
    static std::vector<uint32_t> countsSeen;

    static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_DEVICECHANGE) {
            events.push_back(wParam);
            uint32_t count = 0xFFFF;
            CSP_GetSlotList(nullptr, &count);
            countsSeen.push_back(count);
            return TRUE;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
};
std::vector<WPARAM> DeviceWatcher::events;
std::vector<uint32_t> DeviceWatcher::countsSeen;

TEST_F(AdminTest, PlugAndPullAreAnnouncedToRunningWindowsBeforeTheToolReturns) {
    WNDCLASSA type{};
    type.lpfnWndProc = DeviceWatcher::proc;
    type.hInstance = GetModuleHandleA(nullptr);
    type.lpszClassName = "KeylibDeviceWatcher";
    RegisterClassA(&type);
    HWND window = CreateWindowExA(0, type.lpszClassName, "watcher", WS_OVERLAPPED, 0, 0, 10, 10,
                                  nullptr, nullptr, type.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    expectRun("create k --label K --password 12345a78");
    expectRun("plug k");
    expectRun("plug k");  // already plugged: nothing to announce
    expectRun("pull k");
    DestroyWindow(window);
    EXPECT_EQ(DeviceWatcher::events, (std::vector<WPARAM>{0x0007, 0x0007}));
    // The store is free while the windows react, and shows the change already.
    EXPECT_EQ(DeviceWatcher::countsSeen, (std::vector<uint32_t>{1, 0}));
}

}  // namespace
}  // namespace keylibtest
