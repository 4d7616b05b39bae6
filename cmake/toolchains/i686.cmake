# 32-bit x86 (i686) Linux, its tests run by an x86-64 kernel with 32-bit
# support itself. Where the kernel cannot run them, run the tests behind
# qemu-i386-static: -DCMAKE_CROSSCOMPILING_EMULATOR=/usr/bin/qemu-i386-static.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QUORL_CROSS_TRIPLET i686-linux-gnu)
set(QUORL_DEB_ARCH i386)
include(${CMAKE_CURRENT_LIST_DIR}/debian-linux.cmake)
