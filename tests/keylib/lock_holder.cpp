// Holds a key store's lock until it is killed, as a process stuck in its work would:
//   keylib_lock_holder STORE-FOLDER EVENT-NAME
// The named event is set once the lock is held.
#include <windows.h>

#include "keylib/dll/KeyStore.h"
#include "keylib/dll/logic/KeyStatus.h"

int main(int argc, char** argv) {
    if (argc != 3 || !SetEnvironmentVariableA("KEYLIB_STORE", argv[1])) return 2;
    keylib::KeyStore store;
    if (store.open() != KEYLIB_OK) return 1;
    HANDLE held = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[2]);
    if (held == nullptr || !SetEvent(held)) return 1;
    Sleep(INFINITE);
    return 0;
}
