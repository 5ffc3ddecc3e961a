// Throws away the secure-channel sessions the system and the browser cache, so
// a later connection must authenticate again instead of reusing one set up
// with a key that is gone. Either half is skipped where the system lacks it.
#pragma once

void ClearSecureChannelCache();
