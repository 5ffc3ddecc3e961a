// The temporary certificate file handed to the shell's viewer. Whatever
// another process plants at its name (a link, a reparse point, a hard link to
// a file of its choice) is never written through: the certificate goes to a
// new file of its own that then takes the name's place.
#pragma once

#include <cstdint>

// False when the name is a reparse point or a file with further links, or the
// file cannot be written; nothing is then left at the name by this call.
bool WriteTempCertFile(const wchar_t* path, const std::uint8_t* bytes, std::uint32_t length);

// Removes the file this process last wrote, if the name still holds it.
void RemoveTempCertFile();
