# 32-bit ARM (armhf) Linux, its tests run by qemu-arm-static.
set(CMAKE_SYSTEM_PROCESSOR arm)
set(QUORL_CROSS_TRIPLET arm-linux-gnueabihf)
set(QUORL_CROSS_QEMU qemu-arm-static)
include(${CMAKE_CURRENT_LIST_DIR}/debian-linux.cmake)
