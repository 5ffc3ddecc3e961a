// Private messages of the main window; other processes send or post them too.
#pragma once

#include <windows.h>

constexpr UINT WM_KEYTOOL_EXIT = WM_USER + 1;        // 0x401: end the program
constexpr UINT WM_KEYTOOL_ACTIVATE = WM_USER + 2;    // 0x402: wParam show command; answers -1
constexpr UINT WM_KEYTOOL_REFRESH = WM_USER + 3;     // 0x403: re-read the key list
constexpr UINT WM_KEYTOOL_TRAYNOTIFY = WM_USER + 4;  // 0x404: notification-area icon callback
constexpr UINT WM_KEYTOOL_BALLOON = WM_USER + 5;     // 0x405: wParam balloon text number

// The one timer of the main window: the daily expiry check.
constexpr UINT_PTR kExpiryTimerId = 1;

// How other processes recognise the main window (besides the instance tag), in UTF-16 so that
// they find it under every ANSI code page: the title of template 102.
#define KEYTOOL_MAIN_CLASS L"#32770"
#define KEYTOOL_MAIN_TITLE L"QelmoraUsbKey管理工具"
