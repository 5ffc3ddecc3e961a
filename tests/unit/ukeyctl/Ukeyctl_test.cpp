// ukeyctl's command line, the keys' inventory and the reports made of it.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "tests/unit/FakeKeyLibrary.h"
#include "text/logic/Utf8Text.h"
#include "ukeyctl/logic/CommandLine.h"
#include "ukeyctl/logic/KeyInventory.h"
#include "ukeyctl/logic/Report.h"

namespace ukeyctl {
namespace {

using nlohmann::json;

using keytool::FakeKeyLibrary;

// Texts of the key library come marked as converted.
std::string Marked(const std::string& text) { return text.empty() ? text : "u8:" + text; }

Inventory Read(FakeKeyLibrary& keys, bool withCerts, std::uint32_t onlySlot = 0) {
    return ReadInventory(keys, keys, keys, Marked, withCerts, onlySlot);
}

TEST(KeyInventory, ReadsWhatTheFlagsAnnounceAndKeepsEveryFailedCallWithItsStatus) {
    FakeKeyLibrary keys;
    keys.Plug(3, {{"Main", "", "Sign", "Half"}, {0xF, 0xF, 0xA, 0x1}, "First"});
    keys.Plug(9, {{"junk"}, {0x5}, "Second", 1});
    const Inventory inventory = Read(keys, true);
    ASSERT_EQ(inventory.keys.size(), 2u);
    const KeyEntry& first = inventory.keys[0];
    EXPECT_EQ(first.label, "u8:First");
    EXPECT_EQ(first.containers, (std::vector<std::string>{"u8:Main", "u8:Sign", "u8:Half"}));
    ASSERT_EQ(first.certs.size(), 3u);  // Main 1 and 2, Sign 2; Half lacks a flag bit
    EXPECT_EQ(first.certs[1].details.thumbprint, "TP-Main#2");
    EXPECT_EQ(first.certs[2].container, "u8:Sign");
    EXPECT_FALSE(inventory.keys[1].certs[0].decoded);
    EXPECT_EQ(FirstError(inventory), nullptr);

    EXPECT_EQ(Read(keys, true, 9).keys.size(), 1u);
    EXPECT_TRUE(Read(keys, true, 4).keys.empty());
    keys.reads.clear();  // without certificates none is read
    EXPECT_TRUE(Read(keys, false).keys[0].certs.empty() && keys.reads.empty());

    // Every failed call is kept with its status, and a damaged key is read no further.
    FakeKeyLibrary broken;
    broken.Plug(1, {{"Broken", "junk"}, {0x5, 0xF}, "Ok"});
    broken.Plug(2, {{"Main"}, {0x5}, "Damaged", 2, 0xA0420004u, 0xA0420004u});
    broken.certs.erase("Broken#1"), broken.certs.erase("junk#2");
    const Inventory damaged = Read(broken, true);
    ASSERT_EQ(CertsText(damaged),
              "slot 1: u8:Ok (status 2)\n"
              "  key-library error 0xA0420005 from CSP_ReadCertByName (slot 1)\n"
              "  key-library error 0xA0420005 from CSP_ReadCertByName (slot 1)\n"
              "  container u8:junk, kind 1\n"
              "    not a readable certificate\n"
              "slot 2: \n"
              "  key-library error 0xA0420004 from CSP_GetUsbKeyLabel (slot 2)\n"
              "  key-library error 0xA0420004 from CSP_GetSlotStatus (slot 2)\n");
    EXPECT_EQ(FirstError(damaged), &damaged.keys[0].errors[0]);

    broken.listResult = 0xA0420006u;
    EXPECT_EQ(ListText(Read(broken, true)), "key-library error 0xA0420006 from CSP_GetSlotList\n");
}

TEST(Report, RegisteredCertificatesAreComparedWithTheLoadableKeys) {
    FakeKeyLibrary keys;
    keys.Plug(1, {{"A"}, {0xF}, "Loaded"});
    keys.Plug(2, {{"B"}, {0x5}, "NotLoaded", 1});
    const Registration r =
        CompareRegistration(Read(keys, true), {{"TP-A#1", "x"}, {"TP-B#1", "y"}, {"TP-Gone", "z"}});
    ASSERT_EQ(r.missing.size(), 1u);
    EXPECT_EQ(r.missing[0].thumbprint, "TP-A#2");
    ASSERT_EQ(r.extra.size(), 1u);  // B's certificate is on a plugged key, just not loaded by it
    EXPECT_EQ(r.extra[0].thumbprint, "TP-Gone");
}

TEST(Report, ForeignTextsStayOnTheirLineInTextLongNamesCutAndAsTheyAreInJson) {
    const std::string cut = std::string(kShownNameChars, 'n') + u8"\u2026 (300 characters)";
    const std::pair<std::string, std::string> rows[] = {
        {"CN=Plain, O=Bank", "CN=Plain, O=Bank"},
        {"CN=x\n\n[personal store]\r", "CN=x\\n\\n[personal store]\\r"},
        {"\x1B[2J\t\x7F", "\\u001b[2J\\t\\u007f"},
        {u8"\u009B31m\u202Eevil\u2028", "\\u009b31m\\u202eevil\\u2028"},
        {u8"演示UsbKey", u8"演示UsbKey"},
        {"\xD1\xDD\xE4\xB8", "\\xD1\\xDD\\xE4\\xB8"},  // GBK, or UTF-8 cut short
        {std::string(kShownNameChars, 'n'), std::string(kShownNameChars, 'n')},
        {std::string(300, 'n'), cut},
    };
    for (const auto& [text, shown] : rows)
        EXPECT_EQ(keytool::PrintableText(text, kShownNameChars), shown);

    // JSON carries texts as they are, only converted; the text form keeps each on its line.
    FakeKeyLibrary keys;
    keys.Plug(5, {{"Main"}, {0x5}, "L\n[smart-card service SCardSvr]"});
    keys.Plug(6, {{}, {}, "", 2, 0xA0420004u});
    DiagReport report;
    report.toolVersion = "1.0.0 (32-bit)";
    report.inventory = Read(keys, true);
    report.registered = {{"TP-Other", "CN=\x1B]0;x\x07"}};
    report.serviceState = ServiceStateText(true, true, 4);
    report.failedDeviceEntries = {{"SYSTEM\\X", true}};
    report.logLines = {"line one", "one\rtwo"};

    const json list = json::parse(ListJson(report.inventory));
    EXPECT_EQ(list["keys"][0], (json{{"slot", 5},
                                     {"label", "u8:L\n[smart-card service SCardSvr]"},
                                     {"status", 2},
                                     {"errors", json::array()}}));
    EXPECT_EQ(list["keys"][1]["errors"][0]["status"], "0xA0420004");

    const json diag = json::parse(DiagJson(report));
    const json& cert = diag["keys"]["keys"][0]["containers"][0]["certificates"][0];
    EXPECT_EQ(cert["subject"], "CN=Main#1");
    EXPECT_EQ(cert["thumbprint"], "TP-Main#1");
    EXPECT_EQ(cert["validTo"]["utc"], "utc to");
    EXPECT_EQ(diag["personalStore"]["missing"][0]["thumbprint"], "TP-Main#1");
    EXPECT_EQ(diag["personalStore"]["extra"][0]["subject"], "CN=\x1B]0;x\x07");
    EXPECT_EQ(diag["smartCardService"], "running");
    EXPECT_EQ(diag["failedDeviceEntries"][0]["exists"], true);
    EXPECT_EQ(diag["log"], (json{"line one", "one\rtwo"}));

    const std::string text = DiagText(report);
    EXPECT_NE(text.find("slot 5: u8:L\\n[smart-card service SCardSvr] (status 2)\n"),
              std::string::npos);
    EXPECT_NE(text.find("  TP-Other  CN=\\u001b]0;x\\u0007\n"), std::string::npos);
    EXPECT_NE(text.find("\none\\rtwo\n"), std::string::npos);
    EXPECT_EQ(text.find_first_of("\r\x1B\x07"), std::string::npos);

    // A text that is not UTF-8 is replaced, not thrown on.
    keys.keys[5].label = "\xB1\xEA";
    EXPECT_NO_THROW(json::parse(ListJson(Read(keys, false))));
}

using Args = std::vector<std::string>;

// Help, asked for alone, of a command or inside one, names the command asked about.
TEST(CommandLine, EachCommandTakesOnlyItsOwnOptionsAndHelpNamesTheCommandAskedAbout) {
    constexpr Command kHelp = Command::Help;
    const std::tuple<Args, Command, bool, std::uint32_t, std::string, Command> accepted[] = {
        {{"list"}, Command::List, false, 0, "", kHelp},
        {{"list", "--json"}, Command::List, true, 0, "", kHelp},
        {{"certs", "--slot", "7", "--json"}, Command::Certs, true, 7, "", kHelp},
        {{"certs", "--slot", "0x1F"}, Command::Certs, false, 31, "", kHelp},
        {{"register"}, Command::Register, false, 0, "", kHelp},
        {{"diag", "--json", "--out", "C:\\r.json"}, Command::Diag, true, 0, "C:\\r.json", kHelp},
        {{"--help"}, kHelp, false, 0, "", kHelp},
        {{"help", "diag"}, kHelp, false, 0, "", Command::Diag},
        {{"certs", "--slot", "2", "--help"}, kHelp, false, 0, "", Command::Certs},
    };
    for (const auto& [args, command, json, slot, out, topic] : accepted) {
        const Invocation i = ParseCommandLine(args);
        EXPECT_EQ(std::tie(i.error, i.command, i.json, i.slot, i.outFile, i.helpTopic),
                  std::make_tuple(std::string(), command, json, slot, out, topic))
            << args[0];
    }

    // Refused, with words split at spaces ('' an empty one); no command takes a password, in
    // any spelling.
    for (const char* line :
         {"", "frobnicate", "register --json", "check-service --json", "list --slot 1",
          "certs --slot", "certs --slot 0", "certs --slot -1", "certs --slot 4294967296",
          "certs --slot 12abc", "diag --out", "diag --out ''", "register --password 12345a78",
          "register 12345a78", "help list certs", "help nothing"}) {
        Args args;
        std::istringstream words(line);
        for (std::string word; words >> word;) args.push_back(word == "''" ? "" : word);
        EXPECT_NE(ParseCommandLine(args).error, "") << line;
    }

    // Every command's help starts with its own synopsis.
    for (const char* name :
         {"list", "certs", "check-service", "register", "unregister", "clear-ssl", "diag"}) {
        const std::string text = HelpText(ParseCommandLine({"help", name}).helpTopic);
        EXPECT_EQ(text.rfind(std::string("ukeyctl ") + name, 0), 0u) << name;
    }
}

}  // namespace
}  // namespace ukeyctl
