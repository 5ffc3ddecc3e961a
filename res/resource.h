// Resource ids shared by the resource script and the code.
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_MAIN 102
#define IDR_MAINFRAME 127
#define IDI_CARD 128
#define IDD_CHGPWD 130
#define IDR_TRAYMENU 130
#define IDD_DISP 131
#define IDB_BANNER 135
#define IDB_ABOUT_BANNER 136
// Larger renderings of the banners; resource type "PNG" like the banners.
#define IDB_BANNER_150 235
#define IDB_ABOUT_BANNER_150 236
#define IDB_BANNER_200 335
#define IDB_ABOUT_BANNER_200 336
#define IDD_CHGLABEL 138
#define IDD_SYS 157

#define IDC_KEYS 1001
#define IDC_LABEL 1002
#define IDC_OLD_PASSWORD 1003
#define IDC_NEW_PASSWORD 1004
#define IDC_REPEAT_PASSWORD 1005
#define IDC_CERT_TREE 1006
#define IDC_CHANGE_PASSWORD 1011
#define IDC_TAB 1014
#define IDC_VIEW_CERT 1015
#define IDC_CHANGE_LABEL 1015
#define IDC_REFRESH 1016
#define IDC_DELETE_CERT 1018
#define IDC_SITE_LINK 1018
#define IDC_SYS_CHECK 1019
#define IDC_CERT_DOWNLOAD 1020
#define IDC_SERVICE_TEXT 1002

#define IDM_ABOUTBOX 16
#define ID_TRAY_REFRESH 131
#define ID_TRAY_EXIT 132
#define ID_TRAY_SHOW 133
#define ID_APP_ABOUT 57681
