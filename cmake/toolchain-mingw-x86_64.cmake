# 64-bit Windows: the tests' build where 32-bit programs cannot run.
set(KEYTOOL_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
