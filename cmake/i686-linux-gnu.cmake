# Cross build for the machines the i815 lives in: 32-bit x86 (Pentium III, Celeron) without
# SSE2, Debian i386's own baseline. Uses Debian's i686 cross compiler and the i386 multiarch
# libraries (Qt 5.15, GoogleTest). Tests run under user-mode QEMU with a Pentium III model.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER i686-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER i686-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)

# The baseline, stated rather than assumed; nothing may raise it.
set(CMAKE_C_FLAGS_INIT "-march=i686 -mno-sse2")
set(CMAKE_CXX_FLAGS_INIT "-march=i686 -mno-sse2")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-Wl,-rpath-link,/usr/lib/i386-linux-gnu -Wl,-rpath-link,/lib/i386-linux-gnu")

# Host tools (moc) come from the build machine; libraries and headers from i386 multiarch.
set(CMAKE_FIND_ROOT_PATH / /usr/i686-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR qemu-i386 -cpu pentium3)
