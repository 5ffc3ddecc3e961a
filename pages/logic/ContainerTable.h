// The key's container names as the last fill of the certificate tree read
// them: one entry per container position, handed out in position order.
#pragma once

#include <cstddef>

#include "keys/logic/KeyCerts.h"

namespace keytool {

constexpr int MAX_CONTAINERS = static_cast<int>(kContainerPositions);
constexpr std::size_t CONTAINER_NAME_SIZE = 200;

#pragma pack(push, 1)
struct CONTAINER_ENTRY {
    char szName[CONTAINER_NAME_SIZE];  // empty: no container at this position
    unsigned char bInUse;
};
#pragma pack(pop)
static_assert(sizeof(CONTAINER_ENTRY) == 201, "entries are laid out back to back");

extern CONTAINER_ENTRY g_ContainerTable[MAX_CONTAINERS];

void ClearContainerTable();
// Index of the first free entry, now in use; -1 when all are taken.
int AllocContainerEntry();

}  // namespace keytool
