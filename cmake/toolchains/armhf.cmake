# 32-bit ARM (armhf) Linux with Debian's arm-linux-gnueabihf cross compiler,
# linked statically so that qemu-arm-static runs the tool and the tests
# without a target sysroot.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(CMAKE_C_COMPILER arm-linux-gnueabihf-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabihf-g++)
set(CMAKE_FIND_ROOT_PATH /usr/arm-linux-gnueabihf)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
find_program(QUORL_QEMU qemu-arm-static)
if(NOT QUORL_QEMU)
  message(FATAL_ERROR "qemu-arm-static (Debian's qemu-user-static) is needed to run the tests")
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR ${QUORL_QEMU})
