#include "framework/AccessibleName.h"

#include <commctrl.h>
#include <oleacc.h>

#include "log/Log.h"

namespace fw {
namespace {

constexpr UINT_PTR kAnnotationSubclass = 1;

HRESULT PropertyService(IAccPropServices** services) {
    *services = nullptr;
    return ::CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IAccPropServices, reinterpret_cast<void**>(services));
}

// The property service keeps an annotation until it is cleared, window or not.
LRESULT CALLBACK ClearOnDestroy(HWND hwnd, UINT message, WPARAM wp, LPARAM lp, UINT_PTR id,
                                DWORD_PTR) {
    if (message == WM_NCDESTROY) {
        IAccPropServices* services = nullptr;
        if (SUCCEEDED(PropertyService(&services))) {
            MSAAPROPID name = PROPID_ACC_NAME;
            services->ClearHwndProps(hwnd, OBJID_CLIENT, CHILDID_SELF, &name, 1);
            services->Release();
        }
        ::RemoveWindowSubclass(hwnd, &ClearOnDestroy, id);
    }
    return ::DefSubclassProc(hwnd, message, wp, lp);
}

bool Annotate(HWND control, const wchar_t* name) {
    IAccPropServices* services = nullptr;
    HRESULT result = PropertyService(&services);
    if (SUCCEEDED(result)) {
        result =
            services->SetHwndPropStr(control, OBJID_CLIENT, CHILDID_SELF, PROPID_ACC_NAME, name);
        services->Release();
    }
    if (FAILED(result)) {
        // A service that keeps no annotations (Wine's answers E_NOTIMPL) is no failure; any
        // other answer is said once, as every name then takes the other way.
        static bool logged = false;
        if (result != E_NOTIMPL && !logged) {
            LogLine("accessible names: no annotations (0x%08lX), the proxies' own sources instead",
                    static_cast<unsigned long>(result));
            logged = true;
        }
        return false;
    }
    if (!::SetWindowSubclass(control, &ClearOnDestroy, kAnnotationSubclass, 0)) {
        LogLine("SetWindowSubclass(accessible name) failed");
    }
    return true;
}

bool IsEdit(HWND control) {
    wchar_t className[16] = {};
    ::GetClassNameW(control, className, 16);
    return ::lstrcmpiW(className, L"Edit") == 0;
}

}  // namespace

bool SetAccessibleName(HWND control, const wchar_t* name) {
    if (!control) return false;
    if (Annotate(control, name)) return true;
    if (!IsEdit(control)) {
        // A picture static would take its own WM_SETTEXT for the name of a picture to load.
        ::DefWindowProcW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name));
        return true;
    }
    // The proxies name an edit after the nearest static before it, shown or not.
    HWND label =
        ::CreateWindowExW(0, L"Static", name, WS_CHILD | SS_LEFT, 0, 0, 0, 0, ::GetParent(control),
                          nullptr, ::GetModuleHandleW(nullptr), nullptr);
    if (!label) {
        LogLastError("CreateWindowExW(accessible name label)");
        return false;
    }
    HWND before = ::GetWindow(control, GW_HWNDPREV);
    ::SetWindowPos(label, before ? before : HWND_TOP, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return true;
}

}  // namespace fw
