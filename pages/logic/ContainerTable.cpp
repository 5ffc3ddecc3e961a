#include "pages/logic/ContainerTable.h"

#include <cstring>

namespace keytool {

CONTAINER_ENTRY g_ContainerTable[MAX_CONTAINERS];

void ClearContainerTable() { std::memset(g_ContainerTable, 0, sizeof g_ContainerTable); }

int AllocContainerEntry() {
    for (int e = 0; e < MAX_CONTAINERS; ++e) {
        if (g_ContainerTable[e].bInUse == 0) {
            g_ContainerTable[e].bInUse = 1;
            return e;
        }
    }
    return -1;
}

}  // namespace keytool
