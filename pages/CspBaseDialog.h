// Base of the key pages (and of the main window): Enter does what the page's
// button for the focused control says, or nothing, and Esc goes to the
// top-level window, which hides itself.
#pragma once

#include "framework/Dialog.h"

class CCspBaseDialog : public fw::Dialog {
public:
    CCspBaseDialog(UINT templateId, HWND parent);

    const fw::RuntimeClass* GetRuntimeClass() const override;
    static const fw::RuntimeClass kRuntimeClass;

    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    void OnOK() override;
    // The push button that Enter in control `focusId` presses; 0 for none.
    virtual int EnterButton(int focusId) const;
};

// The pages' warning box: title "提示", exclamation icon, one OK button; the text is GBK.
int WarnBox(HWND owner, const char* text);
