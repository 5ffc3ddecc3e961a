// Results of the key library besides 0 (success) and the ISO/IEC 7816-4 password status
// words of KeyLib.h. The errors carry the customer bit of an HRESULT, so they never look like
// a status word (0x63Cx, 0x6983) or a system error code.
#pragma once

#define KEYLIB_OK 0u
// The slot is not in the plugged-in set (never was, or the key was pulled).
#define KEYLIB_E_BAD_SLOT 0xA0420001u
// A null pointer, an index, kind or flag out of range, or a text of the wrong length.
#define KEYLIB_E_BAD_ARGUMENT 0xA0420002u
// The caller's buffer is too small; where the call has a length argument it holds the need.
#define KEYLIB_E_BUFFER_TOO_SMALL 0xA0420003u
// The key file is missing, truncated or fails validation.
#define KEYLIB_E_DAMAGED_KEY 0xA0420004u
// No container, certificate or file of that name or id on the key.
#define KEYLIB_E_NOT_FOUND 0xA0420005u
// The store folder, its plugged-in set or its lock cannot be used, or a key file cannot be
// read or replaced (another process holds it, the disk fails).
#define KEYLIB_E_STORE 0xA0420006u
// No room: 256 keys plugged, six containers or 50 files in use.
#define KEYLIB_E_FULL 0xA0420007u
// The platform's crypto or certificate store refused the work.
#define KEYLIB_E_SYSTEM 0xA0420008u
// The store is busy: another process held its lock for longer than the few seconds a call waits.
// Nothing was read or changed; a later call may succeed. CSP_GetSlotList leaves its outputs as
// they were, so a caller keeps the keys it knew.
#define KEYLIB_E_BUSY 0xA0420009u
// ISO/IEC 7816-4 "security status not satisfied": the user password has not been verified
// since the last reset (deleting a container, or changing the label unless status is 4).
#define KEYLIB_SW_NOT_VERIFIED 0x6982u
