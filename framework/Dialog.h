// Dialog base: modal (with our own loop and message pre-translation from the
// target window up through its parents) and modeless (child pages), message
// maps, control binding, and overridable OK and cancel commands.
#pragma once

#include <windows.h>

#include <vector>

#include "framework/MessageMap.h"
#include "framework/RuntimeClass.h"
#include "framework/Window.h"

namespace fw {

class Dialog : public Window {
public:
    Dialog(UINT templateId, HWND parent);
    ~Dialog() override;

    // Runs the dialog modally; the answer given to EndDialog, or -1 when it
    // could not be created. Without a parent, the application's main window
    // (its last active popup) owns the dialog and is disabled while it runs;
    // an owned dialog opens centred over its owner. Ending an enclosing modal
    // dialog ends this one too, with IDCANCEL.
    INT_PTR DoModal();
    // Creates the dialog modelessly as a child or owned window of parent.
    BOOL Create(UINT templateId, HWND parent);
    // Ends the dialog; a modal one's loop ends at once, with message boxes
    // still open over it cancelled.
    void EndDialog(int result);

    virtual const RuntimeClass* GetRuntimeClass() const;
    static const RuntimeClass kRuntimeClass;

    // Called by the modal loop for every message aimed at this window or one
    // of its children; true consumes the message.
    virtual BOOL PreTranslateMessage(MSG* msg);

    static Dialog* FromHandle(HWND hwnd);

    // Moves the focus to a control of this dialog or of a dialog inside it, as
    // the dialog manager does for its own controls.
    void GotoDlgCtrl(HWND control) const;

protected:
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange() {}
    virtual void OnOK();
    virtual void OnCancel();
    virtual const MessageMap* GetMessageMap() const;

    // Binds a wrapper to a control of the template; the wrapper sees the
    // control's commands first.
    void BindControl(int id, Window& control);
    // Hands the message being handled to the window's original procedure.
    LRESULT Default();
    // Has this dialog's modal loop call OnIdle once its queue next runs dry:
    // every message is handled and every window painted. OnIdle may ask again,
    // to do long work a piece a turn.
    void RequestIdle() { m_idleRequested = true; }
    virtual void OnIdle() {}

private:
    struct CurrentMessage {
        UINT message;
        WPARAM wp;
        LPARAM lp;
    };

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp);
    static INT_PTR CALLBACK EmptyDialogProc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK CreationHook(int code, WPARAM wp, LPARAM lp);

    HWND CreateWindowFromTemplate(UINT templateId, HWND parent);
    HWND ModalOwner() const;
    void CenterOverOwner() const;
    HWND NavigationRoot() const;
    bool WantsKey(MSG& msg) const;
    LRESULT HandleMessage(UINT message, WPARAM wp, LPARAM lp);
    void ReflectCommand(UINT message, WPARAM wp, LPARAM lp) const;
    bool Dispatch(UINT message, WPARAM wp, LPARAM lp, LRESULT& result);
    void RunModalLoop();
    void CancelForeignDialogsInFront() const;
    bool EnclosingModalEnded() const;
    bool PreTranslateChain(MSG& msg);
    void Detach();

    UINT m_templateId;
    HWND m_hParent;
    WNDPROC m_oldProc = nullptr;
    CurrentMessage m_current{};
    bool m_modal = false;
    bool m_endModal = false;
    bool m_idleRequested = false;
    INT_PTR m_result = -1;
    Dialog* m_pEnclosingModal = nullptr;
    std::vector<Window*> m_bound;
};

}  // namespace fw
