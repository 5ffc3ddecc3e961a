// The password tab: changes the user password of the selected key.
#pragma once

#include <cstdint>

#include "framework/Controls.h"
#include "pages/CspBaseDialog.h"
#include "pages/logic/PasswordRules.h"

class CDlgChgPwd : public CCspBaseDialog {
public:
    explicit CDlgChgPwd(HWND parent = nullptr);

    const fw::RuntimeClass* GetRuntimeClass() const override;
    static const fw::RuntimeClass kRuntimeClass;

    void EnableControls(BOOL enable);

    std::uint32_t m_dwSlot = 0;

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    const fw::MessageMap* GetMessageMap() const override;
    int EnterButton(int focusId) const override;

private:
    void OnChangePassword();
    void Apply(const keytool::PasswordVerdict& verdict) const;

    fw::Edit m_editOld;
    fw::Edit m_editNew;
    fw::Edit m_editRepeat;
};
