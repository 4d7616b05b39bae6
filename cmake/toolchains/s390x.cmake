# s390x (big-endian) Linux with Debian's s390x-linux-gnu cross compiler,
# linked statically so that qemu-s390x-static runs the tool and the tests
# without a target sysroot.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(CMAKE_C_COMPILER s390x-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER s390x-linux-gnu-g++)
set(CMAKE_FIND_ROOT_PATH /usr/s390x-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
find_program(QUORL_QEMU qemu-s390x-static)
if(NOT QUORL_QEMU)
  message(FATAL_ERROR "qemu-s390x-static (Debian's qemu-user-static) is needed to run the tests")
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR ${QUORL_QEMU})
