#include "pages/logic/LabelRules.h"

#include <string>
#include <utility>

namespace keytool {
namespace {

// The key library's answer when the user closed its password prompt.
constexpr std::uint32_t kPromptCancelled = 0x80090020u;

LabelStep Stop(BoxKind kind, std::string text) { return {false, {kind, std::move(text)}}; }

}  // namespace

bool LabelChangeApplies(std::uint32_t slot, std::string_view label) {
    return slot != 0 && !label.empty();
}

bool NeedsPasswordCheck(std::uint32_t status) { return status != 4u; }

LabelStep AfterLabelConversion(bool storable) {
    return storable ? LabelStep{}
                    : Stop(BoxKind::Warning, "标签中有UsbKey不能保存的字符,请换用其他字符!");
}

LabelStep AfterSlotStatus(std::uint32_t result) {
    return result == 0 ? LabelStep{} : Stop(BoxKind::Warning, "UsbKey错误");
}

LabelStep AfterPasswordCheck(std::uint32_t result) {
    if (result == 0) return {};
    // The user chose not to give the password; there is nothing to tell them.
    if (result == kPromptCancelled) return Stop(BoxKind::None, {});
    if (const unsigned tries = TriesLeft(result)) {
        return Stop(BoxKind::Warning, WrongPasswordText(tries));
    }
    return Stop(BoxKind::Warning, "用户密码被锁死,或者读取UsbKey错误!");
}

LabelStep AfterLabelWrite(std::uint32_t result) {
    return result == 0 ? LabelStep{} : Stop(BoxKind::Warning, "更改标签时出错!");
}

}  // namespace keytool
