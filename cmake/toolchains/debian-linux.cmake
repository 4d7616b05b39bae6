# What the Linux cross toolchain files share: Debian's cross compiler for
# QUORL_CROSS_TRIPLET, programs linked statically so that they run without
# a target sysroot, and QUORL_CROSS_QEMU (when set) as the emulator that
# runs the tests. QUORL_DEB_ARCH is the Debian architecture of the package.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${QUORL_CROSS_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${QUORL_CROSS_TRIPLET}-g++)
set(CMAKE_FIND_ROOT_PATH /usr/${QUORL_CROSS_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
if(QUORL_CROSS_QEMU)
  find_program(QUORL_QEMU ${QUORL_CROSS_QEMU})
  if(NOT QUORL_QEMU)
    message(FATAL_ERROR "${QUORL_CROSS_QEMU} (Debian's qemu-user-static) is needed to run the tests")
  endif()
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QUORL_QEMU})
endif()
