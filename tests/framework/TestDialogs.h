// Ids of the framework tests' dialog templates and controls.
#pragma once

#define IDD_TEST_MAIN 1
#define IDD_TEST_MODAL 2
#define IDD_TEST_OUTER 3
#define IDD_TEST_PAGE 4
#define IDD_TEST_OTHER_PAGE 5

#define IDC_TEST_FIRST 10
#define IDC_TEST_TABS 11
#define IDC_TEST_LAST 12
#define IDC_TEST_EDIT 20
#define IDC_TEST_SECOND_EDIT 21
#define IDC_TEST_PAGE_BUTTON 22
#define IDC_TEST_HIDDEN_EDIT 30
