# s390x (big-endian) Linux, its tests run by qemu-s390x-static.
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(QUORL_CROSS_TRIPLET s390x-linux-gnu)
set(QUORL_CROSS_QEMU qemu-s390x-static)
set(QUORL_DEB_ARCH s390x)
include(${CMAKE_CURRENT_LIST_DIR}/debian-linux.cmake)
