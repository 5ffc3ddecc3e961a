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

}  // namespace

bool SetAccessibleName(HWND control, const wchar_t* name) {
    if (!control) return false;
    IAccPropServices* services = nullptr;
    HRESULT result = PropertyService(&services);
    if (SUCCEEDED(result)) {
        result =
            services->SetHwndPropStr(control, OBJID_CLIENT, CHILDID_SELF, PROPID_ACC_NAME, name);
        services->Release();
    }
    if (FAILED(result)) {
        // A service that keeps no annotations at all (Wine's answers E_NOTIMPL) is no
        // failure of ours; any other answer is said once, as every later name fails alike.
        static bool logged = false;
        if (result != E_NOTIMPL && !logged) {
            LogLine("accessible names: the property service keeps none (0x%08lX)",
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

}  // namespace fw
