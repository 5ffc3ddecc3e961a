// The yardstick for start-up: an empty dialog of the main window's size, style and font,
// shown by the same Wine, so the program's own start-up cost shows as the difference.
#include <windows.h>

#include <cstdint>
#include <vector>

namespace {

INT_PTR CALLBACK bareProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) EndDialog(dialog, 0);
    if (message == WM_CLOSE) EndDialog(dialog, 0);
    return FALSE;
}

void appendWide(std::vector<uint16_t>& out, const wchar_t* text) {
    do {
        out.push_back(static_cast<uint16_t>(*text));
    } while (*text++ != L'\0');
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // DLGTEMPLATE, then menu, class and caption, then the font; 256 x 251 units as the main
    // window.
    std::vector<uint16_t> words(sizeof(DLGTEMPLATE) / 2);
    auto* t = reinterpret_cast<DLGTEMPLATE*>(words.data());
    t->style = DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU;
    t->dwExtendedStyle = WS_EX_APPWINDOW;
    t->cx = 256;
    t->cy = 251;
    words.push_back(0);
    words.push_back(0);
    appendWide(words, L"Bare dialog");
    words.push_back(9);
    appendWide(words, L"\u5B8B\u4F53");
    return static_cast<int>(DialogBoxIndirectParamW(
        instance, reinterpret_cast<DLGTEMPLATE*>(words.data()), nullptr, bareProc, 0));
}
