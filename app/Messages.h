// Private messages of the main window; other processes send or post them too.
#pragma once

#include <windows.h>

#define WM_KEYTOOL_EXIT (WM_USER + 1)        // 0x401: end the program
#define WM_KEYTOOL_ACTIVATE (WM_USER + 2)    // 0x402: wParam show command; answers -1
#define WM_KEYTOOL_REFRESH (WM_USER + 3)     // 0x403: re-read the key list
#define WM_KEYTOOL_TRAYNOTIFY (WM_USER + 4)  // 0x404: notification-area icon callback
#define WM_KEYTOOL_BALLOON (WM_USER + 5)     // 0x405: wParam balloon text number

// How other processes recognise the main window (besides the instance tag), in UTF-16 so that
// they find it under every ANSI code page: the title of template 102.
#define KEYTOOL_MAIN_CLASS L"#32770"
#define KEYTOOL_MAIN_TITLE L"QelmoraUsbKey管理工具"
