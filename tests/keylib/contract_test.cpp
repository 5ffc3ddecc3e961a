// The key library's exports and keyadmin on virtual keys, under Wine: results, status words,
// try counter, refusals, damaged key files, password prompts, the certificates registered in the
// user's "MY" store from two processes, shared store.
#include <windows.h>
#include <wincrypt.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include "keylib/KeyLib.h"
#include "keylib/dll/KeyStore.h"
#include "keylib/dll/PasswordPromptIds.h"
#include "keylib/dll/StoreFiles.h"
#include "keylib/dll/logic/KeyFile.h"
#include "keylib/dll/logic/KeyStatus.h"
#include "tests/driver/Driver.h"

namespace keylibtest {
namespace {

constexpr char kPassword[] = "Qk7-pass9";
constexpr char kLaunch[] = "https://ebank.qelmora.com/";
constexpr char kWrong[] = "not-the-pw";

// The tests run in the folder of the test programs, keyadmin.exe and keylib-test-certs.
std::vector<uint8_t> cert(const std::string& file) {
    std::ifstream in("keylib-test-certs\\" + file, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// keyadmin's exit code; what it printed goes to said when given.
DWORD runAdmin(const std::string& arguments, std::string* said = nullptr) {
    return driver::Run("keyadmin.exe " + arguments, {}, said);
}

// A password made at run time and kept only masked, so that the test holds no plain copy of it
// that a search of the process's memory would find.
class Secret {
public:
    static constexpr char kMask = 0x55;
    Secret(size_t size, const char* what) : name(what), masked_(size, '\0') {
        const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
        for (char& c : masked_) c = static_cast<char>(letters[std::rand() % 52] ^ kMask);
    }
    const char* const name;  // what the password stands for
    const std::string& masked() const { return masked_; }
    // Writes the plain text and its terminator to out; the caller wipes it.
    void reveal(char* out) const {
        for (size_t i = 0; i < masked_.size(); ++i) out[i] = masked_[i] ^ kMask;
        out[masked_.size()] = '\0';
    }
    // Bytes 8 to 15 anywhere in the process's writable memory (heaps, stacks, data): the part
    // of a 16-byte password that a freed heap block keeps, past the heap's own links.
    bool inMemory() const {
        const size_t from = 8, length = 8;
        size_t found = 0;
        MEMORY_BASIC_INFORMATION region;
        for (auto* at = reinterpret_cast<const char*>(0x10000);
             VirtualQuery(at, &region, sizeof region) == sizeof region;
             at = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
            const DWORD writable = PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE;
            if (region.State != MEM_COMMIT || (region.Protect & writable) == 0 ||
                (region.Protect & PAGE_GUARD) != 0) {
                continue;
            }
            const auto* bytes = static_cast<const char*>(region.BaseAddress);
            for (size_t i = 0; i + length <= region.RegionSize; ++i) {
                size_t n = 0;
                while (n < length && bytes[i + n] == (masked_[from + n] ^ kMask)) ++n;
                found += n == length;
            }
        }
        return found != 0;
    }

private:
    std::string masked_;
};

// A person at the next password prompt with the caption: types the entries into its edits from
// the password's on (masked as a Secret's when masked is set) and presses the button, then cancel
// if thenCancel, from a timer of this thread, which the prompt's modal loop serves.
struct Person {
    const char* caption;
    std::vector<std::string> entries;
    int button;
    bool masked = false;
    bool thenCancel = false;
    HWND owner = nullptr;  // the prompt's, once answered
    bool answered = false;

    void standBy() {
        current = this;
        SetTimer(nullptr, 0, 50, act);
    }
    static inline Person* current = nullptr;
    static void CALLBACK act(HWND, UINT, UINT_PTR timer, DWORD) {
        HWND prompt = FindWindowA("#32770", current->caption);
        if (prompt == nullptr || !IsWindowVisible(prompt)) return;
        KillTimer(nullptr, timer);
        const char mask = current->masked ? Secret::kMask : 0;
        int id = KEYLIB_IDC_PROMPT_PASSWORD;
        for (const std::string& entry : current->entries) {
            char text[64];
            for (size_t i = 0; i < entry.size(); ++i) text[i] = entry[i] ^ mask;
            text[entry.size()] = '\0';
            SetDlgItemTextA(prompt, id++, text);
            SecureZeroMemory(text, sizeof text);
        }
        PostMessageA(GetDlgItem(prompt, current->button), BM_CLICK, 0, 0);
        if (current->thenCancel) PostMessageA(GetDlgItem(prompt, IDCANCEL), BM_CLICK, 0, 0);
        current->owner = GetWindow(prompt, GW_OWNER);
        current->answered = true;
    }
};

std::vector<uint32_t> slots() {
    uint32_t list[KEYLIB_MAX_SLOTS] = {}, count = 0;
    EXPECT_EQ(CSP_GetSlotList(list, &count), KEYLIB_OK);
    return std::vector<uint32_t>(list, list + std::min<uint32_t>(count, KEYLIB_MAX_SLOTS));
}

// Runs keyadmin with each argument list; answers the last slot plugged in.
uint32_t admin(const std::vector<std::string>& runs) {
    for (const std::string& arguments : runs) EXPECT_EQ(runAdmin(arguments), 0u) << arguments;
    return slots().empty() ? 0 : slots().back();
}

std::string label(uint32_t slot) {
    char text[KEYLIB_LABEL_BUF] = {};
    EXPECT_EQ(CSP_GetUsbKeyLabel(slot, text), KEYLIB_OK);
    return text;
}

std::vector<uint8_t> readCert(uint32_t slot, const char* name, uint32_t kind,
                              uint32_t expected = KEYLIB_OK) {
    uint32_t length = KEYLIB_CERT_MAX;
    std::vector<uint8_t> der(length);
    EXPECT_EQ(CSP_ReadCertByName(slot, name, kind, &length, der.data()), expected) << name;
    der.resize(expected == KEYLIB_OK ? length : 0);
    return der;
}

// What every export that takes a slot answers for it (when it can show no prompt).
std::vector<uint32_t> everyExport(uint32_t slot) {
    uint32_t n = 0, length = KEYLIB_CERT_MAX;
    uint16_t count = 0, ids[KEYLIB_MAX_FILES];
    char text[KEYLIB_LABEL_BUF] = {};
    std::vector<uint8_t> buffer(KEYLIB_CERT_MAX);
    return std::vector<uint32_t>(
        {CSP_GetSlotStatus(slot, &n), CSP_GetUsbKeyLabel(slot, text),
         CSP_SetUsbKeyLabel(slot, "New"), CSP_VerifyPassword(slot, 1, kPassword),
         CSP_VerifyPassword(slot, 1, nullptr), CSP_ChangeInitPassword(slot),
         CSP_ChangePassword(slot, 1, kPassword, "brand-new-1"), CSP_ContainerCount(slot, &n),
         CSP_ContainerInfo(slot, 0, &n, sizeof text, text),
         CSP_ReadCertByName(slot, "both", 1, &length, buffer.data()),
         CSP_DeleteContainerByName(slot, "both"), CSP_Reset(slot), CSP_LoadCertToIE(slot, 3),
         CSP_FileAllID(slot, &count, ids), CSP_FileRead(slot, 0xEF11, 0, 1, buffer.data())});
}

// A store folder of its own (KEYLIB_STORE) with a key "k", made by keyadmin and plugged in.
class ExportsTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::remove_all(folder_);
        ASSERT_TRUE(SetEnvironmentVariableA("KEYLIB_STORE", folder_.string().c_str()));
        slot_ = admin({"create k --label 演示UsbKey --password Qk7-pass9 --tries 5 --status 2",
                       "cert k both 1 keylib-test-certs\\one.der",
                       "cert k both 2 keylib-test-certs\\three.pem",
                       "cert k 签名容器 2 keylib-test-certs\\foreign.der", "file k 1 --text abc",
                       "file k EF11 --text " + std::string(kLaunch), "plug k"});
    }

    void TearDown() override { std::filesystem::remove_all(folder_); }

    // The key as stored, read without the library under test.
    static keylib::KeyRecord readKey(const std::string& name) {
        keylib::KeyStore store;
        keylib::KeyRecord record;
        EXPECT_EQ(store.open(), KEYLIB_OK);
        EXPECT_EQ(store.readKey(name, record), KEYLIB_OK);
        return record;
    }

    const std::filesystem::path folder_ = std::filesystem::temp_directory_path() / "keylib-test";
    const std::vector<uint8_t> one_ = cert("one.der"), three_ = cert("three.der");
    const std::vector<uint8_t> foreign_ = cert("foreign.der");
    uint32_t slot_ = 0;
};

TEST_F(ExportsTest, SlotListStatusLabelAndPassword) {
    const uint32_t b = admin({"create b --label B --password 12345678", "plug b"});
    EXPECT_EQ(slots(), (std::vector<uint32_t>{slot_, b}));
    uint32_t count = 0, status = 0;
    EXPECT_EQ(CSP_GetSlotList(nullptr, &count), KEYLIB_OK);
    EXPECT_EQ(CSP_GetSlotStatus(slot_, &status), KEYLIB_OK);
    EXPECT_EQ(std::make_pair(count, status), std::make_pair(2u, 2u)) << "keys, status";
    EXPECT_EQ(label(slot_), "演示UsbKey");
    EXPECT_EQ(CSP_GetInstanceTag(0, 0), 0x72C49254u);

    EXPECT_EQ(CSP_SetUsbKeyLabel(slot_, "New"), KEYLIB_SW_NOT_VERIFIED);
    ASSERT_EQ(CSP_VerifyPassword(slot_, 1, kPassword), KEYLIB_OK);
    EXPECT_EQ(CSP_SetUsbKeyLabel(slot_, "一二三四五六七A"), KEYLIB_OK);  // 15 bytes
    EXPECT_EQ(label(slot_), "一二三四五六七A");
    EXPECT_EQ(CSP_Reset(slot_), KEYLIB_OK);
    EXPECT_EQ(CSP_SetUsbKeyLabel(slot_, "Again"), KEYLIB_SW_NOT_VERIFIED);
    admin({"set k --status 4 --initial on"});
    EXPECT_EQ(CSP_SetUsbKeyLabel(slot_, "Free"), KEYLIB_OK) << "status 4 needs no password";
    ASSERT_EQ(CSP_ChangePassword(slot_, 1, kPassword, "密码密码密码密码"), KEYLIB_OK);
    EXPECT_EQ(readKey("k").label + (readKey("k").initialPassword ? " initial" : ""), "Free");
    EXPECT_EQ(CSP_VerifyPassword(slot_, 1, kPassword), 0x63C4u);
    EXPECT_EQ(CSP_VerifyPassword(slot_, 1, "密码密码密码密码"), KEYLIB_OK);
}

TEST_F(ExportsTest, ContainersCertificatesAndFiles) {
    std::string seen;  // name and flags at each position
    for (uint32_t i = 0; i < KEYLIB_CONTAINERS; ++i) {
        char name[128];
        std::memset(name, 'x', sizeof name);
        uint32_t flags = 0xDEAD;
        EXPECT_EQ(CSP_ContainerInfo(slot_, i, &flags, sizeof name, name), KEYLIB_OK) << i;
        seen += std::string(name, strnlen(name, sizeof name)) + ":" + std::to_string(flags) + " ";
    }
    EXPECT_EQ(seen, "both:15 签名容器:10 :0 :0 :0 :0 ");
    EXPECT_EQ(readCert(slot_, "both", 1), one_);
    EXPECT_EQ(readCert(slot_, "both", 2), three_) << "from the PEM file";
    EXPECT_EQ(readCert(slot_, "签名容器", 2), foreign_);
    EXPECT_EQ(CSP_DeleteContainerByName(slot_, "both"), KEYLIB_SW_NOT_VERIFIED);
    ASSERT_EQ(CSP_VerifyPassword(slot_, 1, kPassword), KEYLIB_OK);
    EXPECT_EQ(CSP_DeleteContainerByName(slot_, "both"), KEYLIB_OK);
    readCert(slot_, "both", 2, KEYLIB_E_NOT_FOUND);
    uint32_t count = 0;
    EXPECT_EQ(CSP_ContainerCount(slot_, &count), KEYLIB_OK);
    EXPECT_EQ(count, 1u);

    uint16_t ids[KEYLIB_MAX_FILES] = {}, files = 0;
    ASSERT_EQ(CSP_FileAllID(slot_, &files, ids), KEYLIB_OK);
    EXPECT_EQ(std::vector<uint16_t>(ids, ids + std::min<uint16_t>(files, KEYLIB_MAX_FILES)),
              (std::vector<uint16_t>{1, 0xEF11}));
    uint8_t buffer[64];  // how ranges are cut is the copies' own rule
    ASSERT_EQ(CSP_FileRead(slot_, 0xEF11, 8, sizeof buffer, buffer), KEYLIB_OK);
    EXPECT_STREQ(reinterpret_cast<char*>(buffer), kLaunch + 8);
}

TEST_F(ExportsTest, TriesCountDownAtOnceAndAcrossAReplugThenLockAndARightOneRefills) {
    ASSERT_EQ(CSP_VerifyPassword(slot_, 1, kPassword), KEYLIB_OK);
    EXPECT_EQ(CSP_VerifyPassword(slot_, 1, kWrong), 0x63C4u);
    EXPECT_EQ(CSP_DeleteContainerByName(slot_, "both"), KEYLIB_SW_NOT_VERIFIED)
        << "a wrong password ends the verification";
    EXPECT_EQ(CSP_VerifyPassword(slot_, 1, kPassword), KEYLIB_OK);
    // Threads and keyadmin on the store at once: every try counts and keyadmin's change stays.
    std::vector<uint32_t> results(3);
    std::vector<std::thread> threads;
    for (uint32_t& result : results) {
        threads.emplace_back([&] { result = CSP_VerifyPassword(slot_, 1, kWrong); });
    }
    EXPECT_EQ(runAdmin("set k --label Renamed"), 0u);
    for (std::thread& thread : threads) thread.join();
    std::sort(results.begin(), results.end());
    EXPECT_EQ(results, (std::vector<uint32_t>{0x63C2, 0x63C3, 0x63C4})) << "refilled before";
    EXPECT_EQ(label(slot_), "Renamed");
    const uint32_t slot = admin({"pull k", "plug k"});
    EXPECT_NE(slot, slot_) << "a new slot at every plugging";
    EXPECT_EQ(CSP_ChangePassword(slot, 1, kWrong, "brand-new-1"), 0x63C1u);
    // Uncharged tries would leave the key open and the prompt below waiting for a person.
    ASSERT_EQ(CSP_VerifyPassword(slot, 1, kWrong), 0x63C0u);
    ASSERT_EQ(CSP_VerifyPassword(slot, 1, kWrong), KEYLIB_SW_LOCKED);
    EXPECT_EQ(CSP_VerifyPassword(slot, 1, kPassword), KEYLIB_SW_LOCKED);
    EXPECT_EQ(CSP_VerifyPassword(slot, 1, nullptr), KEYLIB_SW_LOCKED) << "without a prompt";
    EXPECT_EQ(CSP_ChangePassword(slot, 1, kPassword, "brand-new-1"), KEYLIB_SW_LOCKED);
}

// The call's text and its result.
#define CALL(...) std::make_pair(#__VA_ARGS__, __VA_ARGS__)

TEST_F(ExportsTest, BadInputIsRefusedWithItsStatusAndChangesNothing) {
    const uint32_t s = slot_, pulled = admin({"create p --label P --password 12345678", "plug p"});
    admin({"pull p"});
    for (uint32_t slot : {0u, pulled, s + 1000}) {
        EXPECT_EQ(everyExport(slot), std::vector<uint32_t>(15, KEYLIB_E_BAD_SLOT)) << slot;
    }
    uint32_t n = 0, all = KEYLIB_CERT_MAX, length = static_cast<uint32_t>(three_.size() - 1);
    uint16_t count = 0, ids[KEYLIB_MAX_FILES];
    char text[KEYLIB_LABEL_BUF] = {};
    std::vector<uint8_t> buffer(KEYLIB_CERT_MAX, 0xEE);
    uint8_t* b = buffer.data();
    const std::pair<uint32_t, std::vector<std::pair<const char*, uint32_t>>> cases[] = {
        {KEYLIB_E_BAD_ARGUMENT,
         {CALL(CSP_GetSlotList(nullptr, nullptr)), CALL(CSP_GetSlotStatus(s, nullptr)),
          CALL(CSP_GetUsbKeyLabel(s, nullptr)), CALL(CSP_SetUsbKeyLabel(s, nullptr)),
          CALL(CSP_ChangePassword(s, 1, nullptr, kPassword)), CALL(CSP_ContainerCount(s, nullptr)),
          CALL(CSP_ContainerInfo(s, 0, nullptr, 128, text)),
          CALL(CSP_ReadCertByName(s, "both", 1, nullptr, b)),
          CALL(CSP_ReadCertByName(s, "both", 1, &all, nullptr)),
          CALL(CSP_DeleteContainerByName(s, nullptr)), CALL(CSP_FileAllID(s, nullptr, ids)),
          CALL(CSP_FileAllID(s, &count, nullptr)), CALL(CSP_FileRead(s, 0xEF11, 0, 16, nullptr))}},
        {KEYLIB_E_BAD_ARGUMENT,
         {CALL(CSP_SetUsbKeyLabel(s, "")), CALL(CSP_SetUsbKeyLabel(s, "一二三四五六七八")),
          CALL(CSP_SetUsbKeyLabel(s, "\x01\x02")), CALL(CSP_VerifyPassword(s, 2, kPassword)),
          CALL(CSP_VerifyPassword(s, 1, "1234567")),
          CALL(CSP_VerifyPassword(s, 1, "seventeen-bytes!!")),
          CALL(CSP_ChangePassword(s, 1, kPassword, "1234567")),
          CALL(CSP_ContainerInfo(s, 6, &n, 128, text)),
          CALL(CSP_ReadCertByName(s, "both", 3, &all, b)),
          CALL(CSP_ReadCertByName(s, "", 1, &all, b)), CALL(CSP_LoadCertToIE(s, 4)),
          CALL(CSP_FileRead(s, 0xEF11, sizeof kLaunch, 4, b))}},
        {KEYLIB_E_NOT_FOUND,
         {CALL(CSP_ReadCertByName(s, "nothere", 1, &all, b)),
          CALL(CSP_ReadCertByName(s, "签名容器", 1, &all, b)),
          CALL(CSP_FileRead(s, 0x1234, 0, 16, b))}},
        {KEYLIB_E_BUFFER_TOO_SMALL,
         {CALL(CSP_ContainerInfo(s, 0, &n, 4, text)),
          CALL(CSP_ReadCertByName(s, "both", 2, &length, b))}}};
    for (const auto& group : cases) {
        for (const auto& call : group.second) EXPECT_EQ(call.second, group.first) << call.first;
    }
    EXPECT_EQ(length, three_.size()) << "the length needed";
    EXPECT_EQ(std::make_pair(buffer[0], text[0]), std::make_pair(uint8_t{0xEE}, '\0'));
    EXPECT_EQ(readKey("k").label + std::to_string(readKey("k").triesLeft), "演示UsbKey5");
}

TEST_F(ExportsTest, DamagedTruncatedOrMissingKeyFileIsReportedByEveryExport) {
    std::vector<uint8_t> intact, flipped;
    ASSERT_EQ(keylib::readWholeFile((folder_ / "k.key").wstring(), intact), keylib::ReadResult::Ok);
    flipped = intact;
    flipped[intact.size() / 2] ^= 0x20;
    for (const std::vector<uint8_t>& damage : {{intact.begin(), intact.begin() + 15},
                                               {intact.begin(), intact.end() - 1},
                                               flipped,
                                               std::vector<uint8_t>(9u << 20),
                                               {}}) {
        ASSERT_TRUE(damage.empty() ? DeleteFileW((folder_ / "k.key").c_str())
                                   : keylib::writeFileAtomically((folder_ / "k.key").wstring(),
                                                                 damage.data(), damage.size()));
        EXPECT_EQ(everyExport(slot_), std::vector<uint32_t>(15, KEYLIB_E_DAMAGED_KEY))
            << damage.size() << " bytes";
    }
    EXPECT_EQ(slots().size(), 1u) << "a key whose file is gone stays plugged in";
    ASSERT_TRUE(CreateDirectoryW((folder_ / "k.key").c_str(), nullptr));
    EXPECT_EQ(everyExport(slot_), std::vector<uint32_t>(15, KEYLIB_E_DAMAGED_KEY)) << "a folder";
    std::string shown;
    EXPECT_EQ(runAdmin("show k", &shown), 1u);
    EXPECT_NE(shown.find("k.key in the store is a folder"), std::string::npos) << shown;
    ASSERT_TRUE(RemoveDirectoryW((folder_ / "k.key").c_str()));
    ASSERT_TRUE(
        keylib::writeFileAtomically((folder_ / "k.key").wstring(), intact.data(), intact.size()));
    EXPECT_EQ(CSP_VerifyPassword(slot_, 1, kPassword), KEYLIB_OK) << "a repaired key works again";
}

TEST_F(ExportsTest, PasswordPromptsAreAnsweredOrCancelledThroughTheirWindows) {
    HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW, 0, 0, 99, 99, nullptr,
                                 nullptr, nullptr, nullptr);
    CSP_SetMainWindow(owner);
    admin({"set k --initial on"});
    Person change{KEYLIB_PROMPT_INIT_CAPTION, {kPassword, "Own-pass-1", "Own-pass-1"}, IDOK};
    Person right{KEYLIB_PROMPT_VERIFY_CAPTION, {"Own-pass-1"}, IDOK};
    Person cancel{KEYLIB_PROMPT_VERIFY_CAPTION, {kWrong}, IDCANCEL};
    change.standBy();
    EXPECT_EQ(CSP_ChangeInitPassword(slot_), KEYLIB_OK);
    right.standBy();
    EXPECT_EQ(CSP_VerifyPassword(slot_, 1, nullptr), KEYLIB_OK);
    cancel.standBy();
    EXPECT_EQ(CSP_VerifyPassword(slot_, 1, nullptr), KEYLIB_CANCELLED);
    for (const Person* person : {&change, &right, &cancel}) {
        EXPECT_EQ(std::make_pair(person->answered, person->owner), std::make_pair(true, owner));
    }
    EXPECT_EQ(readKey("k").triesLeft, 5) << "a cancelled prompt uses no try";
    EXPECT_FALSE(readKey("k").initialPassword);
    EXPECT_EQ(CSP_ChangeInitPassword(slot_), KEYLIB_OK) << "asked only while the flag is set";
    CSP_SetMainWindow(nullptr);
    DestroyWindow(owner);
}

// "Keylib Test One", "Keylib Test Three" and "Keylib Foreign" as the user's "MY" store holds them.
std::string inMy() {
    return driver::InMyStore("Keylib Test One") + "," + driver::InMyStore("Keylib Test Three") +
           "," + driver::InMyStore("Keylib Foreign");
}

TEST_F(ExportsTest, UnloadRemovesExactlyWhatLoadAddedFromEitherProcess) {
    for (const char* name : {"Keylib Test One", "Keylib Test Three", "Keylib Foreign"}) {
        driver::InMyStore(name, true);
    }
    ASSERT_TRUE(CertAddEncodedCertificateToSystemStoreA("MY", foreign_.data(), foreign_.size()));
    // Another program left an entry under one's name that is no certificate.
    BYTE hash[20];
    DWORD size = sizeof hash;
    ASSERT_TRUE(CryptHashCertificate(0, CALG_SHA1, 0, one_.data(), one_.size(), hash, &size));
    std::string key = "Software\\Microsoft\\SystemCertificates\\MY\\Certificates\\";
    for (BYTE b : hash) key += {"0123456789ABCDEF"[b >> 4], "0123456789ABCDEF"[b & 15]};
    const BYTE junk[] = {0x20, 0, 0, 0, 1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 0x30};
    ASSERT_EQ(
        RegSetKeyValueA(HKEY_CURRENT_USER, key.c_str(), "Blob", REG_BINARY, junk, sizeof junk),
        ERROR_SUCCESS);
    // A list of registered certificates cut short by a crash loses nothing added later.
    std::ofstream(folder_ / "loaded-certs.txt", std::ios::binary) << "0123456789ABCDEF";

    ASSERT_EQ(CSP_LoadCertToIE(slot_, 2), KEYLIB_OK);
    EXPECT_EQ(driver::InMyStore("Keylib Test One"), "absent") << "kind 1 needs flag bit 0";
    ASSERT_EQ(CSP_LoadCertToIE(slot_, 3), KEYLIB_OK);
    EXPECT_EQ(inMy(), "both 1,both 2,") << "the damaged entry replaced, the user's copy kept";
    ASSERT_EQ(runAdmin("unload-certs"), 0u);
    EXPECT_EQ(inMy(), "absent,absent,") << "another process removes what this one added";
    ASSERT_EQ(CSP_LoadCertToIE(slot_, 3), KEYLIB_OK);
    EXPECT_EQ(inMy(), "both 1,both 2,") << "added again, not taken as still there";
    ASSERT_EQ(runAdmin("unload-certs"), 0u);
    EXPECT_EQ(inMy(), "absent,absent,") << "listed again too, not taken from a parsed copy";
    ASSERT_EQ(driver::Run("ukeyctl.exe register"), 0);
    EXPECT_EQ(inMy(), "both 1,both 2,");
    EXPECT_EQ(CSP_UnloadIECert(), KEYLIB_OK);
    EXPECT_EQ(inMy(), "absent,absent,") << "this process removes what another one added";
    driver::InMyStore("Keylib Foreign", true);
}

TEST_F(ExportsTest, KeyadminRefusalsExitWithTheirCodeAndChangeNothing) {
    const std::vector<uint8_t> before = keylib::serializeKeyFile(readKey("k"));
    for (const char* usage : {"", "frobnicate k", "show", "set k --bogus 1"}) {
        EXPECT_EQ(runAdmin(usage), 2u) << usage;
    }
    for (const char* refused :
         {"create k --label Keep --password 12345a78",
          "create bad/name --label X --password 12345a78", "set k --label 0123456789abcdef",
          "set k --password 1234567", "set k --tries 16", "set k --tries-left 9",
          "set nokey --label X", "cert k c 3 keylib-test-certs\\one.der",
          "cert k c 1 C:\\no\\such.der", "file k XYZ --text a", "drop-file k 1234", "delete k"}) {
        EXPECT_EQ(runAdmin(refused), 1u) << refused;
    }
    EXPECT_EQ(keylib::serializeKeyFile(readKey("k")), before);
}

// A key, once verified, stays verified only on that plugging: not on another key that gets its
// slot number, nor on the same key plugged in again, even after the list was lost or rebuilt.
TEST_F(ExportsTest, AVerificationStaysWithItsPluggingWhenTheListIsLostOrRepaired) {
    ASSERT_EQ(CSP_VerifyPassword(slot_, 1, kPassword), KEYLIB_OK);
    ASSERT_TRUE(DeleteFileW((folder_ / "plugged.txt").c_str()));
    EXPECT_TRUE(slots().empty());
    const uint32_t b = admin({"create b --label B --password 12345678",
                              "cert b both 1 keylib-test-certs\\one.der", "plug b"});
    EXPECT_GT(b, slot_) << "the slot counter outlives the list";
    EXPECT_EQ(CSP_SetUsbKeyLabel(b, "Taken"), KEYLIB_SW_NOT_VERIFIED);

    // The same key back at its old slot number, in a list damaged by one line.
    const std::string list = "next 1\n" + std::to_string(slot_) + " k 0123456789abcdef\n" +
                             std::to_string(b) + " b 00000000000000aa\nbroken\n";
    ASSERT_TRUE(
        keylib::writeFileAtomically((folder_ / "plugged.txt").wstring(), list.data(), list.size()));
    EXPECT_EQ(everyExport(slot_), std::vector<uint32_t>(15, KEYLIB_E_STORE));
    std::string listed, repaired;
    runAdmin("list", &listed);
    EXPECT_NE(listed.find("is unreadable; keyadmin repair"), std::string::npos) << listed;
    EXPECT_EQ(listed.find("pulled"), std::string::npos) << "no key taken for pulled";
    EXPECT_EQ(runAdmin("repair", &repaired), 0u);
    EXPECT_EQ(repaired,
              "list of plugged-in keys rebuilt: 2 plugged in, 1 damaged lines dropped\r\n");
    EXPECT_EQ(slots(), (std::vector<uint32_t>{slot_, b}));
    EXPECT_EQ(CSP_DeleteContainerByName(slot_, "both"), KEYLIB_SW_NOT_VERIFIED);
    EXPECT_EQ(label(b), "B");
    EXPECT_GT(admin({"create c --label C --password 12345678", "plug c"}), b);

    // A hand edit that keeps the list's size is seen at once, however recently it was read.
    const std::pair<std::string, uint32_t> edits[] = {{"next 50\n11 k 0123456789abcdef\n", 11},
                                                      {"next 50\n12 k 0123456789abcdef\n", 12}};
    for (const auto& [edited, slot] : edits) {
        ASSERT_TRUE(keylib::writeFileAtomically((folder_ / "plugged.txt").wstring(), edited.data(),
                                                edited.size()));
        EXPECT_EQ(slots(), std::vector<uint32_t>{slot});
    }
}

TEST_F(ExportsTest, ALockHeldUnderAnotherSpellingMakesEveryoneWaitBrieflyUntilItsHolderDies) {
    // The store folder as Wine's drive Z: (the Unix root) spells it.
    std::string other = "Z:" + driver::UnixName(folder_);
    std::replace(other.begin(), other.end(), '/', '\\');
    ASSERT_EQ(other.substr(0, 3), "Z:\\");
    HANDLE held = CreateEventA(nullptr, TRUE, FALSE, "keylib-test-held");
    auto holder = std::make_unique<driver::Process>("keylib_lock_holder.exe \"" + other +
                                                    "\" keylib-test-held");
    ASSERT_EQ(WaitForSingleObject(held, 60000), WAIT_OBJECT_0);

    uint32_t list[KEYLIB_MAX_SLOTS] = {77}, count = 5;
    EXPECT_EQ(CSP_GetSlotList(list, &count), KEYLIB_E_BUSY);
    EXPECT_EQ(std::make_pair(list[0], count), std::make_pair(77u, 5u))
        << "the caller keeps its keys";
    char text[KEYLIB_LABEL_BUF];
    EXPECT_EQ(CSP_GetUsbKeyLabel(slot_, text), KEYLIB_E_BUSY);
    EXPECT_EQ(CSP_VerifyPassword(slot_, 1, kWrong), KEYLIB_E_BUSY);
    std::string refused;
    EXPECT_EQ(runAdmin("--store \"" + other + "\" set k --label Lost", &refused), 1u);
    EXPECT_NE(refused.find("the key store is busy"), std::string::npos) << refused;

    holder.reset();  // killed
    CloseHandle(held);
    EXPECT_EQ(label(slot_), "演示UsbKey") << "the dead holder's lock is gone; nothing changed";
    EXPECT_EQ(readKey("k").triesLeft, 5) << "no try charged while busy";
}

TEST_F(ExportsTest, AWriterKilledHalfWayLeavesTheKeyWholeAndTheNextWriterClearsItsLeftovers) {
    for (int delay = 0; delay < 240; delay += 20) {
        {
            const driver::Process writer("keyadmin.exe set k --password Kill-pass-" +
                                         std::to_string(delay) + " --label L" +
                                         std::to_string(delay));
            Sleep(static_cast<DWORD>(delay));
        }  // killed unless it ended
        EXPECT_NE(readKey("k").label, "") << "whole after a kill at " << delay << " ms";
    }
    const std::string planted[] = {"k.key.tmp4000000-1", "plugged.txt.tmp4000000-2"};
    for (const std::string& name : planted) std::ofstream(folder_ / name) << "half";
    EXPECT_EQ(CSP_VerifyPassword(slot_, 1, kWrong) & 0xFFF0u, KEYLIB_SW_WRONG_PASSWORD)
        << "the store still answers";
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
        files.push_back(entry.path().filename().string());
    }
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"k.key", "plugged.txt", "store.lock"}));
}

// Every path on which the library holds a password and does not hand it to CNG (whose own
// copies are the system's): refused texts, the prompt cancelled or rejected, a locked key.
TEST_F(ExportsTest, NoCopyOfAPasswordOutlivesTheCallOnAnyPath) {
    const Secret overlong(20, "overlong"), typed(16, "typed, cancelled"), current(16, "initial"),
        mismatched(16, "new, mismatched"), confirmed(16, "confirmation"), tried(16, "tried"),
        fresh(16, "new");
    admin({"set k --tries-left 0"});
    char old[32], text[32];
    overlong.reveal(text);
    EXPECT_EQ(CSP_VerifyPassword(slot_, 1, text), KEYLIB_E_BAD_ARGUMENT);
    tried.reveal(text);
    EXPECT_EQ(CSP_VerifyPassword(slot_, 1, text), KEYLIB_SW_LOCKED);
    fresh.reveal(old);
    EXPECT_EQ(CSP_ChangePassword(slot_, 1, text, old), KEYLIB_SW_LOCKED);
    SecureZeroMemory(text, sizeof text);
    SecureZeroMemory(old, sizeof old);

    admin({"set k --tries-left 5"});
    Person cancel{KEYLIB_PROMPT_VERIFY_CAPTION, {typed.masked()}, IDCANCEL, true};
    cancel.standBy();
    EXPECT_EQ(CSP_VerifyPassword(slot_, 1, nullptr), KEYLIB_CANCELLED);
    admin({"set k --initial on"});
    Person rejected{KEYLIB_PROMPT_INIT_CAPTION,
                    {current.masked(), mismatched.masked(), confirmed.masked()},
                    IDOK,
                    true,
                    true};
    rejected.standBy();
    EXPECT_EQ(CSP_ChangeInitPassword(slot_), KEYLIB_CANCELLED) << "rejected, then cancelled";
    EXPECT_TRUE(cancel.answered && rejected.answered);

    std::string left;
    for (const Secret* secret :
         {&typed, &current, &mismatched, &confirmed, &overlong, &tried, &fresh}) {
        if (secret->inMemory()) left += std::string(" ") + secret->name;
    }
    EXPECT_EQ(left, "") << "passwords still in memory";
}

}  // namespace
}  // namespace keylibtest
