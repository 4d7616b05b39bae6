# 32-bit ARM (armhf) Linux, its tests run by qemu-arm-static.
set(CMAKE_SYSTEM_PROCESSOR arm)
set(QUORL_CROSS_TRIPLET arm-linux-gnueabihf)
set(QUORL_CROSS_QEMU qemu-arm-static)
set(QUORL_DEB_ARCH armhf)
set(QUORL_PACKAGE_PROCESSOR armhf)  # "arm" alone would not tell it from armel
include(${CMAKE_CURRENT_LIST_DIR}/debian-linux.cmake)
