# What a release installs beside the binary, and the packages `make package`
# builds from it: a .deb and a .tar.gz on Linux, a .zip elsewhere.

# The man page carries the project's version; Debian wants it compressed.
configure_file(QuorlDCW.1 ${PROJECT_BINARY_DIR}/QuorlDCW.1 @ONLY)
find_program(GZIP_PROGRAM gzip)
if(GZIP_PROGRAM AND NOT WIN32)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/QuorlDCW.1.gz
                     COMMAND ${GZIP_PROGRAM} -9 -n -f -k ${PROJECT_BINARY_DIR}/QuorlDCW.1
                     DEPENDS ${PROJECT_BINARY_DIR}/QuorlDCW.1)
  add_custom_target(quorl_man_page ALL DEPENDS ${PROJECT_BINARY_DIR}/QuorlDCW.1.gz)
  install(FILES ${PROJECT_BINARY_DIR}/QuorlDCW.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  install(FILES ${PROJECT_BINARY_DIR}/QuorlDCW.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

set(QUORL_PACKAGE quorldcw)
install(FILES README.md LICENSE CHANGELOG.md
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${QUORL_PACKAGE})

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
set(CPACK_PACKAGE_FILE_NAME ${QUORL_PACKAGE}-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR})
include(CPack)
