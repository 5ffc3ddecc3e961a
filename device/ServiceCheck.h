// The service check on the local service control manager.
#pragma once

// 0 when the named service runs (starting it first if it was stopped), -1 otherwise.
int CheckService(const char* serviceName);
