// keyadmin's argument parsing.
#include "keylib/admin/logic/CommandLine.h"

#include <gtest/gtest.h>

namespace keyadmin {
namespace {

const std::map<std::string, CommandSyntax> kSyntax = {
    {"create", {1, {"label", "password"}, {"initial"}}},
    {"list", {0, {}, {}}},
};

bool parse(const std::vector<std::string>& args, CommandLine& line, std::string& error) {
    return parseCommandLine(args, kSyntax, line, error);
}

TEST(CommandLineTest, OperandsOptionsAndSwitchesAreSeparated) {
    CommandLine line;
    std::string error;
    ASSERT_TRUE(
        parse({"create", "--label", "L", "demo", "--initial", "--password", "p"}, line, error))
        << error;
    EXPECT_EQ(line.command, "create");
    EXPECT_EQ(line.operands, std::vector<std::string>{"demo"});
    EXPECT_EQ(line.options.at("label"), "L");
    EXPECT_EQ(line.options.at("password"), "p");
    EXPECT_EQ(line.switches.count("initial"), 1u);
}

TEST(CommandLineTest, StoreMayPrecedeTheCommand) {
    CommandLine line;
    std::string error;
    ASSERT_TRUE(parse({"--store", "C:\\keys", "list"}, line, error)) << error;
    EXPECT_EQ(line.options.at("store"), "C:\\keys");
    EXPECT_FALSE(parse({"--store"}, line, error));
    EXPECT_EQ(error, "--store needs a folder");
    EXPECT_FALSE(parse({"list", "--store", "x"}, line, error)) << "only before the command";
}

TEST(CommandLineTest, MistakesAreExplained) {
    CommandLine line;
    std::string error;
    EXPECT_FALSE(parse({}, line, error));
    EXPECT_EQ(error, "no command given");
    EXPECT_FALSE(parse({"remove"}, line, error));
    EXPECT_EQ(error, "unknown command 'remove'");
    EXPECT_FALSE(parse({"create"}, line, error));
    EXPECT_EQ(error, "'create' takes 1 operand(s), got 0");
    EXPECT_FALSE(parse({"create", "a", "--label"}, line, error));
    EXPECT_EQ(error, "option --label needs a value");
    EXPECT_FALSE(parse({"create", "a", "--label", "x", "--label", "y"}, line, error));
    EXPECT_EQ(error, "option --label given twice");
    EXPECT_FALSE(parse({"list", "--label", "x"}, line, error));
    EXPECT_EQ(error, "'list' has no option --label");
}

TEST(CommandLineTest, NumbersAreDecimalOrPrefixedHexWithinTheirMaximum) {
    uint32_t v = 0;
    EXPECT_TRUE(parseNumber("15", 15, v));
    EXPECT_EQ(v, 15u);
    EXPECT_FALSE(parseNumber("16", 15, v));
    EXPECT_TRUE(parseNumber("0x1F", 255, v));
    EXPECT_EQ(v, 31u);
    EXPECT_TRUE(parseNumber("4294967295", 0xFFFFFFFFu, v));
    EXPECT_FALSE(parseNumber("4294967296", 0xFFFFFFFFu, v));
    EXPECT_FALSE(parseNumber("", 9, v));
    EXPECT_FALSE(parseNumber("-1", 9, v));
    EXPECT_FALSE(parseNumber("1F", 255, v)) << "hex needs its prefix";
    EXPECT_FALSE(parseNumber("0x", 255, v));
}

TEST(CommandLineTest, FileIdsAreHexadecimal) {
    uint16_t id = 0;
    EXPECT_TRUE(parseFileId("EF11", id));
    EXPECT_EQ(id, 0xEF11);
    EXPECT_TRUE(parseFileId("0xef11", id));
    EXPECT_EQ(id, 0xEF11);
    EXPECT_TRUE(parseFileId("1", id));
    EXPECT_EQ(id, 1);
    EXPECT_FALSE(parseFileId("10000", id));
    EXPECT_FALSE(parseFileId("XYZ", id));
    EXPECT_FALSE(parseFileId("", id));
}

}  // namespace
}  // namespace keyadmin
