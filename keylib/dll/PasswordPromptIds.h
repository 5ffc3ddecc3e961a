// The library's password prompts, for programs and tests that answer them the way a person
// does: find the top-level "#32770" window by its caption, type into the edits, press OK (1)
// or cancel (2). Both prompts are modal, owned by the window given to CSP_SetMainWindow.
// An entry outside 8-16 bytes (or a mismatch) keeps the prompt open and shows a hint.
#pragma once

// CSP_VerifyPassword(slot, 1, NULL): one edit for the user password.
#define KEYLIB_PROMPT_VERIFY_CAPTION "验证UsbKey用户密码"
// CSP_ChangeInitPassword(slot) on a key still carrying its initial password: the current
// (initial) password, the new one and its confirmation.
#define KEYLIB_PROMPT_INIT_CAPTION "修改UsbKey初始密码"

#define KEYLIB_IDD_PROMPT_VERIFY 3001
#define KEYLIB_IDD_PROMPT_INIT 3002

#define KEYLIB_IDC_PROMPT_PASSWORD 1201  // user password (initial password in the init prompt)
#define KEYLIB_IDC_PROMPT_NEW 1202       // init prompt: new password
#define KEYLIB_IDC_PROMPT_CONFIRM 1203   // init prompt: new password again
#define KEYLIB_IDC_PROMPT_KEY 1204       // static: which key is asking
#define KEYLIB_IDC_PROMPT_HINT 1205      // static: why OK did not close the prompt

#define KEYLIB_IDS_PROMPT_KEY 3101
#define KEYLIB_IDS_HINT_LENGTH 3102
#define KEYLIB_IDS_HINT_MISMATCH 3103
#define KEYLIB_IDS_HINT_UNCHANGED 3104
