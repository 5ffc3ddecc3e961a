// The label tab: writes a new label into the selected key.
#pragma once

#include <cstdint>

#include "framework/Controls.h"
#include "pages/CspBaseDialog.h"
#include "pages/logic/LabelRules.h"

class CDlgChgLabel : public CCspBaseDialog {
public:
    explicit CDlgChgLabel(HWND parent = nullptr);

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
    void OnChangeLabel();
    // Shows why the change ends, if it does.
    bool Stopped(const keytool::LabelStep& step) const;

    fw::Edit m_editLabel;
};
