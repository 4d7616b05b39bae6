# 32-bit x86 (i686) Linux with Debian's i686-linux-gnu cross compiler,
# linked statically so that an x86-64 kernel with 32-bit support runs the
# tool and the tests itself, without a target sysroot.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER i686-linux-gnu-g++)
set(CMAKE_FIND_ROOT_PATH /usr/i686-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
# Where the kernel cannot run them, run the tests behind qemu-i386-static:
# -DCMAKE_CROSSCOMPILING_EMULATOR=/usr/bin/qemu-i386-static.
