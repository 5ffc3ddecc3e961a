#include "framework/AccessibleName.h"

#include <commctrl.h>
#include <oleacc.h>

#include <string>

#include "log/Log.h"

namespace fw {
namespace {

constexpr UINT_PTR kNameSubclass = 1;

// The system's own accessible object for the control, with the name replaced. Everything
// else (role, state, value, children, location) is the system's answer.
class NamedAccessible final : public IAccessible {
public:
    NamedAccessible(IAccessible* system, const std::wstring& name)
        : m_system(system), m_name(name) {}

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) ||
            iid == __uuidof(IAccessible)) {
            *object = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        // IEnumVARIANT and IOleWindow: the system object answers for the same control.
        return m_system->QueryInterface(iid, object);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ::InterlockedIncrement(&m_refs); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG refs = ::InterlockedDecrement(&m_refs);
        if (refs == 0) delete this;
        return refs;
    }

    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        return m_system->GetTypeInfoCount(count);
    }
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override {
        return m_system->GetTypeInfo(index, lcid, info);
    }
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                               DISPID* ids) override {
        return m_system->GetIDsOfNames(iid, names, count, lcid, ids);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* exception, UINT* argument) override {
        return m_system->Invoke(id, iid, lcid, flags, params, result, exception, argument);
    }

    // IAccessible
    STDMETHODIMP get_accName(VARIANT child, BSTR* name) override {
        if (child.vt != VT_I4 || child.lVal != CHILDID_SELF) {
            return m_system->get_accName(child, name);
        }
        if (!name) return E_POINTER;
        *name = ::SysAllocString(m_name.c_str());
        return *name ? S_OK : E_OUTOFMEMORY;
    }
    STDMETHODIMP get_accParent(IDispatch** parent) override {
        return m_system->get_accParent(parent);
    }
    STDMETHODIMP get_accChildCount(long* count) override {
        return m_system->get_accChildCount(count);
    }
    STDMETHODIMP get_accChild(VARIANT child, IDispatch** object) override {
        return m_system->get_accChild(child, object);
    }
    STDMETHODIMP get_accValue(VARIANT child, BSTR* value) override {
        return m_system->get_accValue(child, value);
    }
    STDMETHODIMP get_accDescription(VARIANT child, BSTR* text) override {
        return m_system->get_accDescription(child, text);
    }
    STDMETHODIMP get_accRole(VARIANT child, VARIANT* role) override {
        return m_system->get_accRole(child, role);
    }
    STDMETHODIMP get_accState(VARIANT child, VARIANT* state) override {
        return m_system->get_accState(child, state);
    }
    STDMETHODIMP get_accHelp(VARIANT child, BSTR* help) override {
        return m_system->get_accHelp(child, help);
    }
    STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
        return m_system->get_accHelpTopic(file, child, topic);
    }
    STDMETHODIMP get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
        return m_system->get_accKeyboardShortcut(child, shortcut);
    }
    STDMETHODIMP get_accFocus(VARIANT* child) override { return m_system->get_accFocus(child); }
    STDMETHODIMP get_accSelection(VARIANT* children) override {
        return m_system->get_accSelection(children);
    }
    STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* action) override {
        return m_system->get_accDefaultAction(child, action);
    }
    STDMETHODIMP accSelect(long flags, VARIANT child) override {
        return m_system->accSelect(flags, child);
    }
    STDMETHODIMP accLocation(long* left, long* top, long* width, long* height,
                             VARIANT child) override {
        return m_system->accLocation(left, top, width, height, child);
    }
    STDMETHODIMP accNavigate(long direction, VARIANT start, VARIANT* end) override {
        return m_system->accNavigate(direction, start, end);
    }
    STDMETHODIMP accHitTest(long x, long y, VARIANT* child) override {
        return m_system->accHitTest(x, y, child);
    }
    STDMETHODIMP accDoDefaultAction(VARIANT child) override {
        return m_system->accDoDefaultAction(child);
    }
    STDMETHODIMP put_accName(VARIANT child, BSTR name) override {
        return m_system->put_accName(child, name);
    }
    STDMETHODIMP put_accValue(VARIANT child, BSTR value) override {
        return m_system->put_accValue(child, value);
    }

private:
    ~NamedAccessible() { m_system->Release(); }

    LONG m_refs = 1;
    IAccessible* m_system;
    const std::wstring m_name;
};

// Answers a screen reader's WM_GETOBJECT for the client area with the named object; the
// name lives as long as the window.
LRESULT CALLBACK AnswerWithName(HWND hwnd, UINT message, WPARAM wp, LPARAM lp, UINT_PTR id,
                                DWORD_PTR data) {
    const auto* name = reinterpret_cast<const std::wstring*>(data);
    if (message == WM_GETOBJECT && static_cast<LONG>(lp) == OBJID_CLIENT) {
        IAccessible* system = nullptr;
        if (SUCCEEDED(::CreateStdAccessibleObject(hwnd, OBJID_CLIENT, __uuidof(IAccessible),
                                                  reinterpret_cast<void**>(&system)))) {
            auto* named = new NamedAccessible(system, *name);
            const LRESULT answer = ::LresultFromObject(__uuidof(IAccessible), wp, named);
            named->Release();
            return answer;
        }
    } else if (message == WM_NCDESTROY) {
        ::RemoveWindowSubclass(hwnd, &AnswerWithName, id);
        delete name;
    }
    return ::DefSubclassProc(hwnd, message, wp, lp);
}

}  // namespace

bool SetAccessibleName(HWND control, const wchar_t* name) {
    if (!control || !name) return false;
    auto* kept = new std::wstring(name);
    if (!::SetWindowSubclass(control, &AnswerWithName, kNameSubclass,
                             reinterpret_cast<DWORD_PTR>(kept))) {
        delete kept;
        LogLine("SetWindowSubclass(accessible name) failed");
        return false;
    }
    return true;
}

}  // namespace fw
