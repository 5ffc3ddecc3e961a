// The bank's web site, opened from the about box and the certificate page.
#pragma once

#define KEYTOOL_BANK_SITE "https://ebank.qelmora.com/"

#ifndef RC_INVOKED
constexpr wchar_t kBankSite[] = L"" KEYTOOL_BANK_SITE;
#endif
