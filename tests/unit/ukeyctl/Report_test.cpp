#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "ukeyctl/logic/KeyInventory.h"
#include "text/logic/Utf8Text.h"
#include "ukeyctl/logic/Report.h"

namespace ukeyctl {
namespace {

using nlohmann::json;

struct FakeContainer {
    std::string name;
    std::uint32_t flags;
};

struct FakeKey {
    std::string label;
    std::uint32_t status = 2;
    std::uint32_t labelResult = 0, statusResult = 0;
    std::vector<FakeContainer> containers;  // by position
};

// Keys by slot; a certificate's bytes are "<container>/<kind>", decoded by FakeDecoder.
class FakeKeys : public KeyDirectory, public keytool::CertKeyLibrary {
public:
    std::map<std::uint32_t, FakeKey> keys;
    std::uint32_t listResult = 0;
    int certReads = 0;

    std::uint32_t SlotList(std::uint32_t* slots, std::uint32_t* count) override {
        *count = 0;
        for (const auto& entry : keys) slots[(*count)++] = entry.first;
        return listResult;
    }
    std::uint32_t SlotStatus(std::uint32_t slot, std::uint32_t* status) override {
        *status = keys[slot].status;
        return keys[slot].statusResult;
    }
    std::uint32_t ReadLabel(std::uint32_t slot, char* buffer) override {
        std::strcpy(buffer, keys[slot].label.c_str());
        return keys[slot].labelResult;
    }
    std::uint32_t ContainerCount(std::uint32_t, std::uint32_t*) override { return 0; }
    std::uint32_t ContainerInfo(std::uint32_t slot, std::uint32_t index, std::uint32_t* flags,
                                std::uint32_t nameSize, char* name) override {
        const auto& list = keys[slot].containers;
        const FakeContainer none{"", 0};
        const FakeContainer& c = index < list.size() ? list[index] : none;
        *flags = c.flags;
        std::strncpy(name, c.name.c_str(), nameSize);
        return 0;
    }
    std::uint32_t ReadCertByName(std::uint32_t, const char* container, std::uint32_t kind,
                                 std::uint32_t* length, std::uint8_t* buffer) override {
        ++certReads;
        const std::string bytes = std::string(container) + "/" + std::to_string(kind);
        std::memcpy(buffer, bytes.data(), bytes.size());
        *length = static_cast<std::uint32_t>(bytes.size());
        return std::string(container) == "Broken" ? 0xA0420005u : 0;
    }
    std::uint32_t Reset(std::uint32_t) override { return 0; }
    std::uint32_t VerifyPassword(std::uint32_t, std::uint32_t, const char*) override { return 0; }
    std::uint32_t DeleteContainerByName(std::uint32_t, const char*) override { return 0; }
};

class FakeDecoder : public CertDetailsDecoder {
public:
    bool Decode(const std::uint8_t* der, std::uint32_t length, CertDetails* details) override {
        const std::string bytes(reinterpret_cast<const char*>(der), length);
        if (bytes.rfind("Junk", 0) == 0) return false;
        *details = {"CN=" + bytes, "CN=CA",    "0a1b",     "TP-" + bytes,
                    "local from",  "local to", "utc from", "utc to"};
        return true;
    }
};

// Texts of the key library come marked as converted.
std::string Marked(const std::string& text) { return text.empty() ? text : "u8:" + text; }

Inventory Read(FakeKeys& keys, bool withCerts, std::uint32_t onlySlot = 0) {
    FakeDecoder decoder;
    return ReadInventory(keys, keys, decoder, Marked, withCerts, onlySlot);
}

TEST(KeyInventory, ReadsKeysContainersAndTheCertificatesTheirFlagsAnnounce) {
    FakeKeys keys;
    keys.keys[3] = {"First", 2, 0, 0, {{"Main", 0xF}, {"", 0xF}, {"Sign", 0xA}, {"Half", 0x1}}};
    keys.keys[9] = {"Second", 1, 0, 0, {{"Junk", 0x5}}};
    const Inventory inventory = Read(keys, true);
    ASSERT_EQ(inventory.keys.size(), 2u);
    const KeyEntry& first = inventory.keys[0];
    EXPECT_EQ(first.label, "u8:First");
    EXPECT_EQ(first.containers, (std::vector<std::string>{"u8:Main", "u8:Sign", "u8:Half"}));
    ASSERT_EQ(first.certs.size(), 3u);  // Main 1 and 2, Sign 2; Half lacks a flag bit
    EXPECT_EQ(first.certs[1].details.thumbprint, "TP-Main/2");
    EXPECT_EQ(first.certs[2].container, "u8:Sign");
    EXPECT_FALSE(inventory.keys[1].certs[0].decoded);
    EXPECT_EQ(FirstError(inventory), nullptr);

    EXPECT_EQ(Read(keys, true, 9).keys.size(), 1u);
    EXPECT_TRUE(Read(keys, true, 4).keys.empty());
    keys.certReads = 0;
    EXPECT_TRUE(Read(keys, false).keys[0].certs.empty());
    EXPECT_EQ(keys.certReads, 0);
}

TEST(KeyInventory, KeepsEveryFailedCallWithItsStatusAndReadsNoFurtherOnADamagedKey) {
    FakeKeys keys;
    keys.keys[1] = {"Ok", 2, 0, 0, {{"Broken", 0x5}, {"Main", 0x5}}};
    keys.keys[2] = {"Damaged", 2, 0xA0420004u, 0xA0420004u, {{"Main", 0x5}}};
    const Inventory inventory = Read(keys, true);
    ASSERT_EQ(inventory.keys.size(), 2u);
    EXPECT_EQ(inventory.keys[0].certs.size(), 1u);
    const KeyLibError* first = FirstError(inventory);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(ErrorText(*first), "key-library error 0xA0420005 from CSP_ReadCertByName (slot 1)");
    const KeyEntry& damaged = inventory.keys[1];
    EXPECT_FALSE(damaged.statusKnown);
    EXPECT_EQ(damaged.errors.size(), 2u);
    EXPECT_TRUE(damaged.containers.empty());
    EXPECT_NE(CertsText(inventory).find("slot 2: \n  key-library error 0xA0420004 from "
                                        "CSP_GetUsbKeyLabel (slot 2)"),
              std::string::npos);

    keys.listResult = 0xA0420006u;
    const Inventory unlisted = Read(keys, true);
    EXPECT_TRUE(unlisted.keys.empty());
    EXPECT_EQ(ListText(unlisted), "key-library error 0xA0420006 from CSP_GetSlotList\n");
}

TEST(Report, RegisteredCertificatesAreComparedWithTheLoadableKeys) {
    FakeKeys keys;
    keys.keys[1] = {"Loaded", 2, 0, 0, {{"A", 0xF}}};
    keys.keys[2] = {"NotLoaded", 1, 0, 0, {{"B", 0x5}}};
    const Inventory inventory = Read(keys, true);
    const Registration r =
        CompareRegistration(inventory, {{"TP-A/1", "x"}, {"TP-B/1", "y"}, {"TP-Gone", "z"}});
    ASSERT_EQ(r.missing.size(), 1u);
    EXPECT_EQ(r.missing[0].thumbprint, "TP-A/2");
    ASSERT_EQ(r.extra.size(), 1u);  // B's certificate is on a plugged key, just not loaded by it
    EXPECT_EQ(r.extra[0].thumbprint, "TP-Gone");
}

TEST(Report, JsonDocumentsParseAndConvertOnlyTexts) {
    FakeKeys keys;
    keys.keys[5] = {"Label", 2, 0, 0, {{"Main", 0x5}}};
    keys.keys[6] = {"", 2, 0xA0420004u, 0, {}};
    DiagReport report;
    report.toolVersion = "1.0.0 (32-bit)";
    report.inventory = Read(keys, true);
    report.registered = {{"TP-Other", "CN=Other"}};
    report.serviceState = ServiceStateText(true, true, 4);
    report.failedDeviceEntries = {{"SYSTEM\\X", true}};
    report.logLines = {"line one", "line two"};

    const json list = json::parse(ListJson(report.inventory));
    EXPECT_EQ(list["keys"][0]["label"], "u8:Label");
    EXPECT_EQ(list["keys"][0]["status"], 2);
    EXPECT_FALSE(list["keys"][0].contains("containers"));
    EXPECT_EQ(list["keys"][1]["errors"][0]["status"], "0xA0420004");

    const json diag = json::parse(DiagJson(report));
    const json& cert = diag["keys"]["keys"][0]["containers"][0]["certificates"][0];
    EXPECT_EQ(cert["subject"], "CN=Main/1");
    EXPECT_EQ(cert["thumbprint"], "TP-Main/1");
    EXPECT_EQ(cert["validTo"]["utc"], "utc to");
    EXPECT_EQ(diag["personalStore"]["missing"][0]["thumbprint"], "TP-Main/1");
    EXPECT_EQ(diag["personalStore"]["extra"][0]["subject"], "CN=Other");
    EXPECT_EQ(diag["smartCardService"], "running");
    EXPECT_EQ(diag["failedDeviceEntries"][0]["exists"], true);
    EXPECT_EQ(diag["log"], (json{"line one", "line two"}));

    // A text that is not UTF-8 is replaced, not thrown on.
    keys.keys[5].label = "\xB1\xEA";
    EXPECT_NO_THROW(json::parse(ListJson(Read(keys, false))));
}

TEST(Report, ForeignTextsStayOnTheirLineAndLongNamesAreCut) {
    const std::string cut = std::string(kShownNameChars, 'n') + u8"\u2026 (300 characters)";
    const struct {
        std::string text, shown;
    } rows[] = {
        {"CN=Plain, O=Bank", "CN=Plain, O=Bank"},
        {"CN=x\n\n[personal store]\r", "CN=x\\n\\n[personal store]\\r"},
        {"\x1B[2J\t\x7F", "\\u001b[2J\\t\\u007f"},
        {u8"\u009B31m\u202Eevil\u2028", "\\u009b31m\\u202eevil\\u2028"},
        {u8"演示UsbKey", u8"演示UsbKey"},
        {"\xD1\xDD\xE4\xB8", "\\xD1\\xDD\\xE4\\xB8"},  // GBK, or UTF-8 cut short
        {std::string(kShownNameChars, 'n'), std::string(kShownNameChars, 'n')},
        {std::string(300, 'n'), cut},
    };
    for (const auto& row : rows)
        EXPECT_EQ(keytool::PrintableText(row.text, kShownNameChars), row.shown);

    FakeKeys keys;
    keys.keys[1] = {"L\n[smart-card service SCardSvr]", 2, 0, 0, {{"A", 0x5}}};
    DiagReport report;
    report.inventory = Read(keys, true);
    report.registered = {{"TP", "CN=\x1B]0;x\x07"}};
    report.logLines = {"one\rtwo"};
    const std::string text = DiagText(report);
    EXPECT_NE(text.find("slot 1: u8:L\\n[smart-card service SCardSvr] (status 2)\n"),
              std::string::npos);
    EXPECT_NE(text.find("  TP  CN=\\u001b]0;x\\u0007\n"), std::string::npos);
    EXPECT_NE(text.find("\none\\rtwo\n"), std::string::npos);
    EXPECT_EQ(text.find_first_of("\r\x1B\x07"), std::string::npos);
}

}  // namespace
}  // namespace ukeyctl
