# SQLite, which writes the GeoPackages: one amalgamation (sqlite3.c) made
# from Debian's source package by cmake/fetch_sqlite.py, compiled into
# every build for every host with the same options, so that every host
# writes the same bytes. Included before the project's own warnings and
# sanitizers: it is another project's code, compiled as its authors
# intend (its tests are theirs).
set(QUORL_SQLITE_DIR "${PROJECT_SOURCE_DIR}/third_party/sqlite" CACHE PATH
    "Folder of SQLite's sqlite3.c and sqlite3.h (made by cmake/fetch_sqlite.py where missing)")
if(NOT EXISTS "${QUORL_SQLITE_DIR}/sqlite3.c")
  find_package(Python3 COMPONENTS Interpreter REQUIRED)
  execute_process(COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/cmake/fetch_sqlite.py
                          ${QUORL_SQLITE_DIR}
                  RESULT_VARIABLE fetched)
  if(NOT fetched EQUAL 0)
    message(FATAL_ERROR "SQLite's source could not be made in ${QUORL_SQLITE_DIR}")
  endif()
endif()

# A build for this machine may take the library another build for it has
# compiled (QUORL_SQLITE_LIBRARY, a libquorl_sqlite.a): the sanitized and
# fuzz builds of make test take the plain build's rather than compile the
# one large file again.
set(QUORL_SQLITE_LIBRARY "" CACHE FILEPATH "A quorl_sqlite library already compiled for this host")
if(QUORL_SQLITE_LIBRARY)
  add_library(quorl_sqlite STATIC IMPORTED)
  set_target_properties(quorl_sqlite PROPERTIES IMPORTED_LOCATION ${QUORL_SQLITE_LIBRARY})
  target_include_directories(quorl_sqlite SYSTEM INTERFACE ${QUORL_SQLITE_DIR})
  return()
endif()

add_library(quorl_sqlite STATIC ${QUORL_SQLITE_DIR}/sqlite3.c)
target_include_directories(quorl_sqlite SYSTEM PUBLIC ${QUORL_SQLITE_DIR})
# What the tool uses and nothing more: one thread, no extensions loaded at
# run time (static binaries cannot), the R*Tree for the spatial index, and
# none of the parts it does not use (which also shortens the compile).
target_compile_definitions(quorl_sqlite PRIVATE
  SQLITE_ENABLE_RTREE=1
  SQLITE_THREADSAFE=0
  SQLITE_OMIT_LOAD_EXTENSION=1
  SQLITE_OMIT_DEPRECATED=1
  SQLITE_OMIT_SHARED_CACHE=1
  SQLITE_DEFAULT_MEMSTATUS=0
  SQLITE_DQS=0
  SQLITE_OMIT_AUTHORIZATION=1
  SQLITE_OMIT_COMPILEOPTION_DIAGS=1
  SQLITE_OMIT_COMPLETE=1
  SQLITE_OMIT_DECLTYPE=1
  SQLITE_OMIT_EXPLAIN=1
  SQLITE_OMIT_GET_TABLE=1
  SQLITE_OMIT_INTROSPECTION_PRAGMAS=1
  SQLITE_OMIT_JSON=1
  SQLITE_OMIT_PROGRESS_CALLBACK=1
  SQLITE_OMIT_TCL_VARIABLE=1
  SQLITE_OMIT_TRACE=1
  SQLITE_OMIT_UTF16=1
  SQLITE_OMIT_WAL=1
  SQLITE_UNTESTABLE=1
)
# The R*Tree chooses where a box goes by sums and products of doubles: no
# host may fuse them (FMA) into other roundings (the tool builds its
# indexes itself, by comparisons alone, but a program that adds features
# later goes through the module). -O1, on every host and in every build:
# the one large file compiles in 40% of -O2's time (it is compiled once
# per host in the cross test and the release), for 3% more instructions
# in the GeoPackage of DNC 17's library (1% in a 100 MB coverage's).
target_compile_options(quorl_sqlite PRIVATE -w -ffp-contract=off -O1)
