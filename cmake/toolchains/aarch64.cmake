# 64-bit ARM (aarch64, Debian's arm64) Linux, its tests run by
# qemu-aarch64-static.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(QUORL_CROSS_TRIPLET aarch64-linux-gnu)
set(QUORL_CROSS_QEMU qemu-aarch64-static)
set(QUORL_DEB_ARCH arm64)
include(${CMAKE_CURRENT_LIST_DIR}/debian-linux.cmake)
