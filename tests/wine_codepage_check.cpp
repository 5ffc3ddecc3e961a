// Wine follows the Unix locale for its ANSI code page; every GBK text in the
// program turns into question marks unless it is 936.
#include <windows.h>

#include <cstdio>

int main() {
    const UINT acp = GetACP();
    if (acp != 936) {
        std::fprintf(stderr, "Wine runs with code page %u, not 936: set LC_ALL=zh_CN.UTF-8\n", acp);
        return 1;
    }
    std::printf("code page 936\n");
    return 0;
}
