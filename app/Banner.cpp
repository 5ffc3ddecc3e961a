#include "app/Banner.h"

#include <objidl.h>
// objidl.h declares IStream for GDI+.
#include <gdiplus.h>
#include <shlwapi.h>

#include <iterator>
#include <optional>
#include <vector>

#include "app/logic/BannerArt.h"
#include "log/Log.h"

namespace {

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

struct Artwork {
    const BYTE* bytes = nullptr;
    DWORD size = 0;
    keytool::Size pixels;
};

std::optional<Artwork> FindArtwork(int id) {
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC resource = ::FindResourceW(module, MAKEINTRESOURCEW(id), L"PNG");
    HGLOBAL loaded = resource ? ::LoadResource(module, resource) : nullptr;
    const auto* bytes = static_cast<const BYTE*>(loaded ? ::LockResource(loaded) : nullptr);
    const DWORD size = resource ? ::SizeofResource(module, resource) : 0;
    const auto pixels = keytool::PngSize(bytes, size);
    if (!pixels) return std::nullopt;
    return Artwork{bytes, size, *pixels};
}

// GDI+ for the length of one drawing.
class GdiPlus {
public:
    GdiPlus() {
        GdiplusStartupInput input;
        m_ok = GdiplusStartup(&m_token, &input, nullptr) == Ok;
    }
    ~GdiPlus() {
        if (m_ok) GdiplusShutdown(m_token);
    }
    GdiPlus(const GdiPlus&) = delete;
    GdiPlus& operator=(const GdiPlus&) = delete;
    bool Started() const { return m_ok; }

private:
    ULONG_PTR m_token = 0;
    bool m_ok = false;
};

// A 24-bit bitmap of the target size with the artwork drawn to cover it.
HBITMAP Draw(const Artwork& artwork, keytool::Size target) {
    GdiPlus gdiPlus;
    IStream* stream = ::SHCreateMemStream(artwork.bytes, artwork.size);
    if (!gdiPlus.Started() || !stream) {
        if (stream) stream->Release();
        return nullptr;
    }
    GpBitmap* image = nullptr;
    const bool decoded = GdipCreateBitmapFromStream(stream, &image) == Ok;
    stream->Release();
    if (!decoded) return nullptr;

    BITMAPINFO info{};
    info.bmiHeader = {
        sizeof info.bmiHeader, target.width, -target.height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = bitmap ? ::CreateCompatibleDC(nullptr) : nullptr;
    bool drawn = false;
    if (dc) {
        HGDIOBJ old = ::SelectObject(dc, bitmap);
        GpGraphics* graphics = nullptr;
        GpImageAttributes* attributes = nullptr;
        if (GdipCreateFromHDC(dc, &graphics) == Ok &&
            GdipCreateImageAttributes(&attributes) == Ok) {
            // Mirrored edges keep the filter from fading the banner's borders.
            GdipSetImageAttributesWrapMode(attributes, WrapModeTileFlipXY, 0, FALSE);
            GdipSetInterpolationMode(graphics, InterpolationModeHighQualityBicubic);
            GdipSetPixelOffsetMode(graphics, PixelOffsetModeHighQuality);
            const keytool::Rect to = keytool::CoverRect(artwork.pixels, target);
            drawn = GdipDrawImageRectRectI(graphics, image, to.left, to.top, to.right - to.left,
                                           to.bottom - to.top, 0, 0, artwork.pixels.width,
                                           artwork.pixels.height, UnitPixel, attributes, nullptr,
                                           nullptr) == Ok;
        }
        if (attributes) GdipDisposeImageAttributes(attributes);
        if (graphics) GdipDeleteGraphics(graphics);
        ::SelectObject(dc, old);
        ::DeleteDC(dc);
    }
    GdipDisposeImage(image);
    if (!drawn && bitmap) {
        ::DeleteObject(bitmap);
        bitmap = nullptr;
    }
    return bitmap;
}

}  // namespace

HWND FindBannerControl(HWND dialog) {
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        wchar_t className[16] = {};
        ::GetClassNameW(child, className, static_cast<int>(std::size(className)));
        const LONG style = ::GetWindowLongW(child, GWL_STYLE);
        if (lstrcmpiW(className, L"Static") == 0 && (style & SS_TYPEMASK) == SS_BITMAP)
            return child;
    }
    return nullptr;
}

bool ShowBanner(HWND control, const int* ids, std::size_t count, const RECT& area) {
    const keytool::Size target{area.right - area.left, area.bottom - area.top};
    if (!control || count == 0 || target.width <= 0 || target.height <= 0) return false;
    std::vector<Artwork> found;
    std::vector<keytool::Size> sizes;
    for (std::size_t i = 0; i < count; ++i) {
        if (const auto artwork = FindArtwork(ids[i])) {
            found.push_back(*artwork);
            sizes.push_back(artwork->pixels);
        }
    }
    if (found.empty()) {
        LogLine("banner: no artwork in resource %d", ids[0]);
        return false;
    }
    HBITMAP bitmap =
        Draw(found[keytool::ChooseArtwork(sizes.data(), sizes.size(), target)], target);
    if (!bitmap) {
        LogLine("banner: drawing artwork %d at %dx%d failed", ids[0], target.width, target.height);
        return false;
    }
    ReleaseBanner(control);
    ::SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
    // Setting an image sizes the control to it; place it afterwards.
    ::SetWindowPos(control, nullptr, area.left, area.top, target.width, target.height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
}

void ReleaseBanner(HWND control) {
    if (!control) return;
    const LRESULT old = ::SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, 0);
    if (old) ::DeleteObject(reinterpret_cast<HBITMAP>(old));
}
