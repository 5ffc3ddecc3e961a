// The certificate page's own texts.
#pragma once

namespace keytool {

constexpr char kNoKeyNodeText[] = "未选中UsbKey!";
constexpr char kRootNodeText[] = "USBKEY:";
constexpr char kEmptyContainerFormat[] = "容器%d  空";
constexpr char kContainerFormat[] = "容器%d  名字＝";

constexpr char kReadKeyError[] = "读UsbKey错误！";
constexpr char kOutOfMemory[] = "内存不足!";
constexpr char kSelectCertificate[] = "请选择证书！";
constexpr char kDeleteCertificate[] = "删除证书";
constexpr char kConfirmDelete[] = "确实要删除证书吗？";
constexpr char kConfirmDeleteAgain[] =
    "确实要把证书删除吗？删除证书可能会导致您不能进入网上银行证书版系统！";
constexpr char kDeleteFailed[] = "证书删除失败！";
constexpr char kReadCertificateFailed[] = "读取证书失败！";
constexpr char kTempFileFailed[] = "创建临时文件失败";

constexpr char kTempCertFileName[] = "~certdemotemp~.cer";

}  // namespace keytool
