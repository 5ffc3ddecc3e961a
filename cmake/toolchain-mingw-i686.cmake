# 32-bit Windows: the release build.
set(KEYTOOL_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
