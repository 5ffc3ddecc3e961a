#include "device/DlgSys.h"

#include "device/ServiceCheck.h"
#include "device/logic/ServiceCheck.h"
#include "framework/AccessibleName.h"
#include "res/resource.h"

namespace {

constexpr wchar_t kServiceNormal[] = L"智能卡服务正常......!\r\n运行环境正常.....!\r\n";
constexpr wchar_t kServiceNotNormal[] = L"智能卡服务不正常......!\r\n运行环境不正常.....!";

}  // namespace

const fw::RuntimeClass CDlgSys::kRuntimeClass{"CDlgSys", &fw::Dialog::kRuntimeClass};

CDlgSys::CDlgSys(HWND parent) : fw::Dialog(IDD_SYS, parent) {}

const fw::RuntimeClass* CDlgSys::GetRuntimeClass() const { return &kRuntimeClass; }

const fw::MessageMap* CDlgSys::GetMessageMap() const {
    static const fw::MessageMap map(fw::Dialog::GetMessageMap());
    return &map;
}

BOOL CDlgSys::OnInitDialog() {
    fw::Dialog::OnInitDialog();
    fw::SetAccessibleName(GetDlgItem(IDC_SERVICE_TEXT), L"检测结果");
    RunCheck();
    return TRUE;
}

void CDlgSys::OnOK() { RunCheck(); }

void CDlgSys::RunCheck() {
    const bool normal = CheckService(keytool::kSmartCardService) == 0;
    ::SetDlgItemTextW(m_hWnd, IDC_SERVICE_TEXT, normal ? kServiceNormal : kServiceNotNormal);
}
