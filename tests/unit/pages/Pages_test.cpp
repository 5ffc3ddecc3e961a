// The key pages' rules, the tries left remembered per plugged key and the question before the
// last try, and the certificate page's fill, deletion and path on a fake key.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "pages/logic/CertBuffer.h"
#include "pages/logic/CertSelection.h"
#include "pages/logic/CertTreeFill.h"
#include "pages/logic/CertView.h"
#include "pages/logic/LastTry.h"
#include "pages/logic/LabelRules.h"
#include "pages/logic/PasswordRules.h"
#include "tests/unit/FakeKeyLibrary.h"

namespace keytool {
namespace {

using namespace std::string_literals;
constexpr BoxKind kNone = BoxKind::None, kWarn = BoxKind::Warning, kFail = BoxKind::Failure;
constexpr unsigned kOld = kOldEdit, kNew = kNewEdit, kRep = kRepeatEdit, kAll = kAllEdits;
const std::string kShort = "用户密码不可少于8位！", kDiffer = "两次输入的新密码应相同！",
                  kSimple = "密码太简单, 请重新输入新的密码!", kLocked = "用户密码被锁死。",
                  kLockedOrError = "用户密码被锁死,或者读取UsbKey错误!";

auto Seen(const PasswordVerdict& v) {
    return std::tie(v.message.kind, v.message.text, v.clear, v.focus);
}

TEST(PasswordRules, ChecksInOrderWithTheEditsClearedAndFocusedAndChangeResults) {
    // "网上银a" is seven bytes in code page 936, "网上银行" eight.
    using Row =
        std::tuple<const char*, const char*, const char*, BoxKind, std::string, unsigned, unsigned>;
    const Row rows[] = {
        {"abcdefg", "12", "1", kWarn, kShort, kAll, kOld},
        {"网上银a", "abcdefgh", "abcdefgh", kWarn, kShort, kAll, kOld},
        {"abcdefgh", "网上银a", "1", kWarn, kShort, kNew | kRep, kNew},
        {"abcdefgh", "abcdefgh", "abcdefg", kWarn, kShort, kRep, kRep},
        {"abcdefgh", "12345678", "12345679", kWarn, kDiffer, kAll, kNew},
        {"abcdefgh", "abcdefgh", "abcdefgh1", kWarn, kDiffer, kAll, kNew},
        {"oldpass1", "87654321", "87654321", kWarn, kSimple, kAll, kOld},
        {"abcdefgh", "abcdefgh", "abcdefgh", kNone, "", 0, 0},
        {"oldpass1", "网上银行", "网上银行", kNone, "", 0, 0},
        {"abcdefghijklmnop", "0123456789012345", "0123456789012345", kNone, "", 0, 0},
    };
    for (const auto& [oldPassword, newPassword, repeat, kind, text, clear, focus] : rows) {
        const PasswordVerdict v = CheckPasswords(oldPassword, newPassword, repeat);
        EXPECT_EQ(Seen(v), std::tie(kind, text, clear, focus)) << newPassword << "/" << repeat;
    }
    EXPECT_EQ(Seen(UnencodablePassword(kNewEdit)),
              std::make_tuple(kWarn, "密码中有本系统不能使用的字符,请重新输入!"s, kNew, kNew));
    // Simple passwords are every window of the runs: up to 9, down into 17 zeros, 17 ones, then 16
    // of each digit.
    for (const std::string& simple : {"12345678"s, "3456789876543210"s, "1000000000000000"s,
                                      "0111111111111111"s, "8888888899999999"s}) {
        EXPECT_TRUE(IsSimplePassword(simple)) << simple;
    }
    for (char d = '2'; d <= '9'; ++d) EXPECT_TRUE(IsSimplePassword(std::string(16, d)));
    for (const std::string& other :
         {"13572468"s, "1234567a"s, "2222222244444444"s, "9999999999999998"s,
          "00000000000000000000"s, "12345678\0"s, "22222222222222222"s}) {
        EXPECT_FALSE(IsSimplePassword(other)) << other;
    }
    // What a change answered.
    const std::tuple<std::uint32_t, BoxKind, std::string> results[] = {
        {0, BoxKind::Success, "修改密码完成！"},
        {0x63C3, kFail, "用户密码不正确！还有3次可试机会。"},
        {0x63CF, kFail, "用户密码不正确！还有15次可试机会。"},
        {0x163C1, kFail, "用户密码不正确！还有1次可试机会。"},  // bits 4 to 15 only
        {0x63C0, kFail, kLocked},
        {0x6983, kFail, kLocked},
        {1, kFail, "UsbKey错误!"},
        {0x63D1, kFail, "UsbKey错误!"},
    };
    for (const auto& [result, kind, text] : results) {
        const PasswordVerdict v = ChangeResultVerdict(result);
        EXPECT_EQ(Seen(v), std::make_tuple(kind, text, result ? 0 : kAll, 0u)) << result;
    }
}

TEST(LabelRules, WhenTheChangeActsAndEachAnswer) {
    EXPECT_TRUE(!LabelChangeApplies(0, "label") && !LabelChangeApplies(7, "") &&
                LabelChangeApplies(7, " "));
    EXPECT_TRUE(!NeedsPasswordCheck(4) && NeedsPasswordCheck(2) && NeedsPasswordCheck(0x104));
    // Kind None with a result other than 0: the change stops silently.
    const std::tuple<LabelStep (*)(std::uint32_t), std::uint32_t, BoxKind, std::string> rows[] = {
        {&AfterSlotStatus, 0, kNone, ""},
        {&AfterSlotStatus, 0xA0420001, kWarn, "UsbKey错误"},
        {&AfterPasswordCheck, 0, kNone, ""},
        {&AfterPasswordCheck, 0x80090020, kNone, ""},
        {&AfterPasswordCheck, 0x63C2, kWarn, "用户密码不正确！还有2次可试机会。"},
        {&AfterPasswordCheck, 0x63C0, kWarn, kLockedOrError},
        {&AfterPasswordCheck, 1, kWarn, kLockedOrError},
        {&AfterLabelWrite, 0, kNone, ""},
        {&AfterLabelWrite, 0x6982, kWarn, "更改标签时出错!"},
        {[](std::uint32_t unstorable) { return AfterLabelConversion(unstorable == 0); }, 1, kWarn,
         "标签中有UsbKey不能保存的字符,请换用其他字符!"},
    };
    for (const auto& [step, result, kind, text] : rows) {
        const LabelStep s = step(result);
        EXPECT_EQ(std::tie(s.proceed, s.message.kind, s.message.text),
                  std::make_tuple(result == 0, kind, text))
            << result;
    }
}

using Log = std::vector<std::string>;
using U = std::uint32_t;
const std::string kCut(128, 'N');

// The certificate page over the key in slot 7.
struct FakePage : FakeKeyLibrary, CertTree, CertPageUi, FillBuffer, CertFiles, LastTryQuestion {
    int yeses = 2;                      // the confirmations answered Yes before the first No
    std::function<void()> whileAsking;  // what the questions' message loop runs
    std::vector<std::pair<TreeNode, U>> nodes;  // parent and data of node n at n - 1
    TreeNode selection = kNoNode;
    // The nodes: ">" per level, the text, "[1]" a state image, the data, "+" expanded.
    std::string tree;
    std::string tempDir;  // empty: the query fails
    CertPageParts parts{*this, *this, *this};

    FakePage() { keys[7]; }
    void Fill(U slot = 7) { FillCertTree(slot, parts, *this, *this); }
    std::size_t Depth(TreeNode node) const { return node ? 1 + Depth(nodes[node - 1].first) : 0; }

    void DeleteAll() override { nodes.clear(), tree.clear(), selection = kNoNode; }
    TreeNode Append(TreeNode parent, const char* text, int image, U data) override {
        char hex[12] = "";
        if (data) std::snprintf(hex, sizeof hex, " %08X", data);
        tree += std::string(Depth(parent), '>') + text + (image ? " [1]" : "") + hex + "|";
        return nodes.emplace_back(parent, data), nodes.size();
    }
    // Only the root, the first node, is expanded.
    void Expand(TreeNode node) override { tree.insert(node == 1 ? tree.find('|') : 0, " +"); }
    TreeNode Selected() override { return selection; }
    TreeNode Parent(TreeNode node) override { return nodes.at(node - 1).first; }
    bool Data(TreeNode node, U* data) override { return *data = nodes.at(node - 1).second, true; }
    void Warn(const char* text) override { log.push_back(std::string("warn ") + text); }
    bool Confirm(const char*) override {
        if (whileAsking) whileAsking();
        return log.push_back("confirm"), yeses-- > 0;
    }
    bool Continue() override { return log.push_back("last try?"), yeses-- > 0; }
    void EnableView(bool) override {}
    void EnableDelete(bool) override {}
    void SetDeleteText(const char*) override {}
    // AddressSanitizer reports a buffer not released.
    std::uint8_t* Allocate() override { return new std::uint8_t[CERT_BUF_SIZE]; }
    void Release(std::uint8_t* buffer) override { delete[] buffer; }
    U TempPath(U size, char* out) override {
        return tempDir.size() >= size ? tempDir.size() + 1
                                      : (std::strcpy(out, tempDir.c_str()), tempDir.size());
    }
    bool WriteNewFile(const char*, const std::uint8_t*, U) override { return true; }
    void Open(const char*, const std::uint8_t*, U) override {}
};

const std::string kFiveEmpty = ">容器0  空|>容器1  空|>容器2  空|>容器3  空|>容器4  空|";

TEST(CertTreeFill, EdgeCases) {
    FakePage none, empty, infoFails, countFails, mixed;
    none.Fill(0);
    EXPECT_EQ(none.tree, "未选中UsbKey!|");
    empty.Fill();
    EXPECT_EQ(empty.tree, "USBKEY: +|" + kFiveEmpty + ">容器5  空|");
    infoFails.keys[7].infoFailsAt = 3, infoFails.Put(7, 1, "U", 1), infoFails.Fill();
    EXPECT_EQ(infoFails.tree,
              "USBKEY: +|>容器0  空|>容器1  名字＝U|>>U#1 [1] 80000002|>容器2  空|");
    countFails.keys[7].countResult = 0xA0420004u, countFails.Put(7, 5, "L", 2), countFails.Fill();
    EXPECT_EQ(countFails.tree, "USBKEY: +|" + kFiveEmpty + ">容器5  名字＝L|>>L#2 [1] 40000006|");
    // Kind 1 first; incomplete flag pairs; failing reads and decodes; a name cut at the size told.
    const std::tuple<int, std::string, U> puts[] = {{0, "A", 1}, {1, "B", 2},          {2, "U", 2},
                                                    {2, "U", 1}, {3, "Gone", 1},       {4, "J", 1},
                                                    {4, "J", 2}, {5, kCut + "MORE", 1}};
    for (const auto& [position, name, kind] : puts) mixed.Put(7, position, name, kind);
    mixed.keys[7].flags[0] = 0x1, mixed.keys[7].flags[1] = 0x3, mixed.certs.erase("Gone#1");
    mixed.certs["J#1"] = "junk", mixed.certs["J#2"] = "", mixed.certs[kCut + "#1"] = "cut";
    mixed.Fill();
    EXPECT_EQ(
        mixed.tree,
        "USBKEY: +|>容器0  名字＝A|>容器1  名字＝B|>容器2  名字＝U|>>U#1 [1] 80000003|>>U#2 [1] "
        "40000003|>容器3  名字＝Gone|>容器4  名字＝J|>容器5  名字＝" +
            kCut + "|>>cut [1] 80000006|");
    for (const FakePage* page : {&none, &empty, &mixed}) EXPECT_EQ(page->log, Log{});
    for (const FakePage* page : {&infoFails, &countFails})
        EXPECT_EQ(page->log, Log{"warn 读UsbKey错误！"});
}

TEST(CertSelection, DeletionAsksTwiceThenVerifiesAndDeletes) {
    const Log steps = {"confirm",    "confirm",    "Reset 7",
                       "Verify 7 1", "Delete 7 U", "warn 证书删除失败！"};
    // Yes answers, check and deletion results (0x80090020: prompt cancelled), refill, steps run.
    const std::tuple<int, U, U, bool, std::size_t> rows[] = {
        {2, 0, 0, true, 5},       {0, 0, 0, false, 1},          {1, 0, 0, false, 2},
        {2, 0x63C4, 0, false, 4}, {2, 0x80090020, 0, false, 4}, {2, 0, 0xA0420006, false, 6}};
    for (const auto& [yeses, verify, remove, refill, count] : rows) {
        const Log log(steps.begin(), steps.begin() + count);
        FakePage page;
        page.Put(7, 1, "U", 1), page.Put(7, 1, "U", 2), page.Put(7, 3, "C", 2), page.Fill();
        page.selection = 5;  // U#2
        page.yeses = yeses, page.verifyResult = verify, page.deleteResult = remove;
        EXPECT_EQ(DeleteSelectedCert(7, page.parts, page), refill);
        EXPECT_EQ(page.log, log);
    }
    // One try left after a failed check: the next deletion asks first, and No stops it.
    FakePage last;
    last.Put(7, 1, "U", 1), last.Fill(), last.selection = 4, last.verifyResult = 0x63C1;
    EXPECT_FALSE(DeleteSelectedCert(7, last.parts, last));
    last.log.clear(), last.yeses = 2;
    EXPECT_FALSE(DeleteSelectedCert(7, last.parts, last));
    EXPECT_EQ(last.log, (Log{"confirm", "confirm", "last try?"}));
    g_TriesLeft.Note(7, 0);
    // The tree refilled while a question is open: the selection is read again, and is gone.
    FakePage refilled;
    refilled.Put(7, 1, "U", 1), refilled.Fill(), refilled.selection = 4;
    refilled.whileAsking = [&] { refilled.Fill(); };
    EXPECT_TRUE(DeleteSelectedCert(7, refilled.parts, refilled));
    EXPECT_EQ(refilled.log, (Log{"confirm", "confirm"}));
    // Data naming no certificate (0, both kinds, past the table, an empty entry): nothing asked.
    for (U data : {0u, 0xC0000002u, 0x80000007u, 0x80000001u}) {
        FakePage page;
        page.Put(7, 1, "U", 1), page.Fill(), page.nodes[3].second = data, page.selection = 4;
        EXPECT_FALSE(DeleteSelectedCert(7, page.parts, page));
        EXPECT_TRUE(page.log.empty()) << data;
    }
}

TEST(LastTry, AnswersSetAndForgetTheCountPerPluggedSlotAndAskBeforeTheLastTry) {
    TriesLeftTable tries;
    // Answer for slot 5, then whether slots 5 and 6 are on their last try.
    const std::pair<std::uint32_t, bool> steps[] = {
        {0x63C2, false}, {0x63C1, true},  {0x80090020, true},  // a cancelled prompt changes nothing
        {0x6983, true},  {0x163C1, true}, {0x63C0, false},     // locked: nothing left to warn of
        {0x63C1, true},  {0, false},                           // the right password forgets
    };
    tries.Note(6, 0x63C3);
    for (const auto& [result, last5] : steps) {
        tries.Note(5, result);
        EXPECT_EQ(tries.OnLastTry(5), last5) << std::hex << result;
        EXPECT_FALSE(tries.OnLastTry(6));
    }
    // Keys no longer plugged are forgotten, and the table is bounded.
    for (std::uint32_t slot = 1; slot <= kMaxSlots + 10; ++slot) tries.Note(slot, 0x63C1);
    EXPECT_TRUE(tries.OnLastTry(kMaxSlots));
    EXPECT_FALSE(tries.OnLastTry(kMaxSlots + 1));  // no room: not remembered
    const std::uint32_t plugged[] = {3, 9, 400};
    tries.KeepOnly(plugged, 3);
    std::vector<std::uint32_t> last;
    for (std::uint32_t slot = 0; slot <= kMaxSlots + 10; ++slot) {
        if (tries.OnLastTry(slot)) last.push_back(slot);
    }
    EXPECT_EQ(last, (std::vector<std::uint32_t>{3, 9}));
    tries.Note(400, 0x63C1);  // room again
    EXPECT_TRUE(tries.OnLastTry(400));

    // The check runs after Yes, or when the key is not on its last try.
    FakePage question;
    // Slot, Yes answers, what the check answers, and whether it runs.
    const std::tuple<U, int, U, bool> checks[] = {
        {5, 0, 0x63C1, true}, {5, 0, 0, false}, {6, 0, 0x63C1, true}, {5, 1, 0, true}};
    for (const auto& [slot, yeses, answer, runs] : checks) {
        const auto check = [reply = answer] { return reply; };
        U result = 7;
        question.yeses = yeses;
        EXPECT_EQ(CheckUserPassword(slot, tries, question, check, &result), runs);
        EXPECT_EQ(result, runs ? answer : 7) << slot;
    }
    EXPECT_EQ(question.log, (Log{"last try?", "last try?"}));  // on slot 5 only
    EXPECT_EQ(std::make_pair(tries.OnLastTry(5), tries.OnLastTry(6)), std::make_pair(false, true));
}

TEST(CertView, TemporaryPathMustHoldTheFileName) {
    FakePage files;
    char path[kTempPathSize];
    // 241 bytes of directory, 18 of file name and the terminator fill the 260.
    files.tempDir = "C:\\" + std::string(237, 'd') + "\\";
    ASSERT_TRUE(TempCertPath(files, path));
    EXPECT_EQ(path, files.tempDir + "~certdemotemp~.cer");
    for (const std::string& dir : {files.tempDir + "d", std::string(300, 'd'), std::string()}) {
        files.tempDir = dir;
        EXPECT_FALSE(TempCertPath(files, path)) << dir.size();
    }
}

}  // namespace
}  // namespace keytool
