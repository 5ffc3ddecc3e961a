// The system check: whether the smart-card service the keys depend on is
// working, checked when the dialog opens and again on "刷新" (and Enter).
#pragma once

#include "framework/Dialog.h"

class CDlgSys : public fw::Dialog {
public:
    explicit CDlgSys(HWND parent = nullptr);

    const fw::RuntimeClass* GetRuntimeClass() const override;
    static const fw::RuntimeClass kRuntimeClass;

    // Replaces the text of the edit with the result of a fresh check.
    void RunCheck();

protected:
    const fw::MessageMap* GetMessageMap() const override;
    BOOL OnInitDialog() override;
    void OnOK() override;
};
