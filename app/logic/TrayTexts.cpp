#include "app/logic/TrayTexts.h"

#include <algorithm>
#include <cstring>

#include "text/logic/GbkText.h"

namespace keytool {
namespace {

const char* const kBalloonTexts[kBalloonTextCount] = {
    "修改密码完成!",         "校验密码完成!",       "正在生成加密密钥对...", "生成加密密钥对成功!",
    "正在生成签名密钥对...", "生成签名密钥对成功!", "公钥加密完成!",         "私钥解密完成!",
    "私钥签名完成!",         "公钥验证完成!",       "有UsbKey插入!",         "有UsbKey拔除!",
    "正在导入证书...",       "导入证书完成!",       "删除容器完成!",         "写私钥文件完成!",
    "读公钥完成!",           "读取证书完成!",       "写证书完成!",           "注册证书到IE完成!",
    "更改UsbKey标签完成!",
};

}  // namespace

const char* BalloonText(std::uint32_t number) {
    return number < kBalloonTextCount ? kBalloonTexts[number] : nullptr;
}

const char* TipText(std::uint32_t keyCount) {
    return keyCount != 0 ? "UsbKey已插入，可以正常使用" : "当前未插入UsbKey";
}

std::size_t CopyBoundedText(char* dest, std::size_t destSize, const void* source,
                            std::size_t sourceSize) {
    if (destSize == 0) return 0;
    std::size_t length = 0;
    if (source && sourceSize > 0) {
        const void* end = std::memchr(source, '\0', sourceSize);
        length = end ? static_cast<std::size_t>(static_cast<const char*>(end) -
                                                static_cast<const char*>(source))
                     : sourceSize;
        length = keytool::GbkPrefixLength(static_cast<const char*>(source), length, destSize - 1);
        std::memcpy(dest, source, length);
    }
    dest[length] = '\0';
    return length;
}

}  // namespace keytool
