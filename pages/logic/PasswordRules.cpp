#include "pages/logic/PasswordRules.h"

namespace keytool {
namespace {

constexpr char kTooShort[] = "用户密码不可少于8位！";

PasswordVerdict Warn(const char* text, unsigned clear, unsigned focus) {
    return {{BoxKind::Warning, text}, clear, focus};
}

}  // namespace

// Ascending, descending straight into the zeros, then 17 zeros, 17 ones and
// 16 of each digit from 2 to 9.
const std::string_view kSimplePasswords =
    "0123456789"
    "87654321"
    "00000000000000000"
    "11111111111111111"
    "2222222222222222"
    "3333333333333333"
    "4444444444444444"
    "5555555555555555"
    "6666666666666666"
    "7777777777777777"
    "8888888888888888"
    "9999999999999999";

bool IsSimplePassword(std::string_view password) {
    for (std::size_t at = 0; at + password.size() <= kSimplePasswords.size(); ++at) {
        if (kSimplePasswords.compare(at, password.size(), password) == 0) return true;
    }
    return false;
}

PasswordVerdict UnencodablePassword(PasswordEdit edit) {
    return Warn("密码中有本系统不能使用的字符,请重新输入!", edit, edit);
}

PasswordVerdict CheckPasswords(std::string_view oldPassword, std::string_view newPassword,
                               std::string_view repeatPassword) {
    if (oldPassword.size() < kMinPasswordBytes) return Warn(kTooShort, kAllEdits, kOldEdit);
    // A repeat of a new password that has to be typed again is of no use, so
    // it goes with it.
    if (newPassword.size() < kMinPasswordBytes) {
        return Warn(kTooShort, kNewEdit | kRepeatEdit, kNewEdit);
    }
    if (repeatPassword.size() < kMinPasswordBytes) return Warn(kTooShort, kRepeatEdit, kRepeatEdit);
    if (newPassword != repeatPassword) {
        return Warn("两次输入的新密码应相同！", kAllEdits, kNewEdit);
    }
    if (IsSimplePassword(newPassword)) {
        return Warn("密码太简单, 请重新输入新的密码!", kAllEdits, kOldEdit);
    }
    return {};
}

PasswordVerdict ChangeResultVerdict(std::uint32_t result) {
    if (result == 0) return {{BoxKind::Success, "修改密码完成！"}, kAllEdits, 0};
    if (const unsigned tries = TriesLeft(result)) {
        return {{BoxKind::Failure, WrongPasswordText(tries)}, 0, 0};
    }
    if (result == 0x6983u || result == 0x63C0u) {
        return {{BoxKind::Failure, "用户密码被锁死。"}, 0, 0};
    }
    return {{BoxKind::Failure, "UsbKey错误!"}, 0, 0};
}

}  // namespace keytool
