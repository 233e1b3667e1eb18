# Cross build for Windows 95/98/ME, NT 4, 2000 and XP on the machines the i815 lives in:
# Debian's mingw-w64 compiler for i686 with the win32 thread model, no SSE2, the C++ runtime
# linked in, so that nothing but system DLLs lies beside the programs.
#
# The headers are held to Windows NT 4 and 95 (WINVER and _WIN32_WINNT 0x0400), and the
# common controls to those of Internet Explorer 3 (_WIN32_IE 0x0300): messages that an older
# comctl32 does not know it ignores. mingw-w64's headers barely guard their functions by
# version, so the real guard is the import check (scripts/check-imports.sh), run at every build.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-win32)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)

set(quarvel_windows_flags "-march=i686 -mno-sse2 -DWINVER=0x0400 -D_WIN32_WINNT=0x0400 -D_WIN32_IE=0x0300")
set(CMAKE_C_FLAGS_INIT "${quarvel_windows_flags}")
set(CMAKE_CXX_FLAGS_INIT "${quarvel_windows_flags}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
