# What a release installs beside the binary, and the packages `make package`
# and `make release` build from it: a .deb and a .tar.gz on Linux, a .zip
# on Windows.

# On Linux the usual tree (bin/, share/man/, share/doc/); the Windows .zip
# holds every file in its one folder, the manual as a web page.
if(WIN32)
  install(TARGETS QuorlDCW RUNTIME DESTINATION .)
else()
  install(TARGETS QuorlDCW RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# The man page carries the project's version; Debian wants it compressed.
configure_file(QuorlDCW.1 ${PROJECT_BINARY_DIR}/QuorlDCW.1 @ONLY)
find_program(GZIP_PROGRAM gzip)
find_program(MANDOC_PROGRAM mandoc)
if(WIN32 AND MANDOC_PROGRAM)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/QuorlDCW.html
                     COMMAND ${MANDOC_PROGRAM} -Thtml ${PROJECT_BINARY_DIR}/QuorlDCW.1 >
                             ${PROJECT_BINARY_DIR}/QuorlDCW.html
                     DEPENDS ${PROJECT_BINARY_DIR}/QuorlDCW.1)
  add_custom_target(quorl_man_page ALL DEPENDS ${PROJECT_BINARY_DIR}/QuorlDCW.html)
  install(FILES ${PROJECT_BINARY_DIR}/QuorlDCW.html DESTINATION .)
elseif(WIN32)
  message(STATUS "mandoc not found: the Windows package holds the manual as QuorlDCW.1")
  install(FILES ${PROJECT_BINARY_DIR}/QuorlDCW.1 DESTINATION .)
elseif(GZIP_PROGRAM)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/QuorlDCW.1.gz
                     COMMAND ${GZIP_PROGRAM} -9 -n -f -k ${PROJECT_BINARY_DIR}/QuorlDCW.1
                     DEPENDS ${PROJECT_BINARY_DIR}/QuorlDCW.1)
  add_custom_target(quorl_man_page ALL DEPENDS ${PROJECT_BINARY_DIR}/QuorlDCW.1.gz)
  install(FILES ${PROJECT_BINARY_DIR}/QuorlDCW.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  install(FILES ${PROJECT_BINARY_DIR}/QuorlDCW.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

set(QUORL_PACKAGE quorldcw)
if(WIN32)
  install(FILES README.md LICENSE CHANGELOG.md DESTINATION .)
else()
  install(FILES README.md LICENSE CHANGELOG.md
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${QUORL_PACKAGE})
endif()

set(CPACK_PACKAGE_NAME ${QUORL_PACKAGE})
set(CPACK_PACKAGE_VENDOR "The QuorlDCW developers")
set(CPACK_PACKAGE_CONTACT "The QuorlDCW developers <quorldcw@users.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY ${PROJECT_DESCRIPTION})
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "QuorlDCW reads one table file of a Vector Product Format (VPF)\n"
       "database, such as a digital nautical chart, and writes a readable,\n"
       "script-friendly text dump of it: the column definitions, then every\n"
       "row, one value or coordinate tuple per line. Binary values are decoded\n"
       "in the byte order the table declares, on any host.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR DEB TGZ)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# A cross build's toolchain file names the Debian architecture of its
# package (QUORL_DEB_ARCH) and, where the processor's name is not what its
# users know, the one in the tarball's name (QUORL_PACKAGE_PROCESSOR).
if(QUORL_DEB_ARCH)
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${QUORL_DEB_ARCH})
endif()
if(NOT QUORL_PACKAGE_PROCESSOR)
  set(QUORL_PACKAGE_PROCESSOR ${CMAKE_SYSTEM_PROCESSOR})
endif()
set(CPACK_PACKAGE_FILE_NAME ${QUORL_PACKAGE}-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME}-${QUORL_PACKAGE_PROCESSOR})
include(CPack)
