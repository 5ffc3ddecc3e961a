#include "ukeyctl/logic/CommandLine.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace ukeyctl {
namespace {

using Args = std::vector<std::string>;

TEST(CommandLine, EachCommandTakesOnlyItsOwnOptions) {
    const std::tuple<Args, Command, bool, std::uint32_t, std::string> accepted[] = {
        {{"list"}, Command::List, false, 0, ""},
        {{"list", "--json"}, Command::List, true, 0, ""},
        {{"certs", "--slot", "7", "--json"}, Command::Certs, true, 7, ""},
        {{"certs", "--slot", "0x1F"}, Command::Certs, false, 31, ""},
        {{"register"}, Command::Register, false, 0, ""},
        {{"diag", "--json", "--out", "C:\\r.json"}, Command::Diag, true, 0, "C:\\r.json"},
    };
    for (const auto& [args, command, json, slot, out] : accepted) {
        const Invocation i = ParseCommandLine(args);
        EXPECT_EQ(std::tie(i.error, i.command, i.json, i.slot, i.outFile),
                  std::make_tuple(std::string(), command, json, slot, out))
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
}

TEST(CommandLine, HelpNamesTheCommandAskedAbout) {
    EXPECT_EQ(ParseCommandLine({"--help"}).command, Command::Help);
    EXPECT_EQ(ParseCommandLine({"--help"}).helpTopic, Command::Help);
    EXPECT_EQ(ParseCommandLine({"help", "diag"}).helpTopic, Command::Diag);
    const Invocation inline_ = ParseCommandLine({"certs", "--slot", "2", "--help"});
    EXPECT_EQ(inline_.command, Command::Help);
    EXPECT_EQ(inline_.helpTopic, Command::Certs);
    // Every command's help starts with its own synopsis.
    for (const char* name :
         {"list", "certs", "check-service", "register", "unregister", "clear-ssl", "diag"}) {
        const std::string text = HelpText(ParseCommandLine({"help", name}).helpTopic);
        EXPECT_EQ(text.rfind(std::string("ukeyctl ") + name, 0), 0u) << name;
    }
}

}  // namespace
}  // namespace ukeyctl
