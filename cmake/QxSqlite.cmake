# SQLite for the record manager.
#
# Linux: Debian's libsqlite3-dev. Windows: Debian has no SQLite for mingw,
# so the build takes the amalgamation (sqlite3.c, sqlite3.h) that a pinned
# version of an npm package ships, fetched with `npm pack`, checked against
# its SHA-256 and kept in a cache outside the source tree. The amalgamation
# is never part of the sources.

if(NOT WIN32)
  find_package(SQLite3 REQUIRED)
  add_library(qx_sqlite3 ALIAS SQLite::SQLite3)
  return()
endif()

set(QX_SQLITE_PACKAGE "better-sqlite3@12.11.1")
set(QX_SQLITE_VERSION "3.53.2")
set(QX_SQLITE_C_SHA256 "60d2f39a3726cd6b9021da6f4e868608d66fbb6528a9f513dc8ffcc640493422")
set(QX_SQLITE_H_SHA256 "9e69a1353a4288450b0d5239ede11fc7f1f4c8e5eb07491fc8317eacb5b7de7e")

if(DEFINED ENV{HOME} AND NOT "$ENV{HOME}" STREQUAL "")
  set(qx_sqlite_default_cache "$ENV{HOME}/.cache/qxexpc/sqlite-${QX_SQLITE_VERSION}")
else()
  set(qx_sqlite_default_cache "${CMAKE_BINARY_DIR}/_deps/sqlite-${QX_SQLITE_VERSION}")
endif()
set(QX_SQLITE_CACHE "${qx_sqlite_default_cache}" CACHE PATH "Where the SQLite amalgamation is kept")

function(qx_sqlite_verified out_ok)
  set(ok TRUE)
  foreach(pair "sqlite3.c;${QX_SQLITE_C_SHA256}" "sqlite3.h;${QX_SQLITE_H_SHA256}")
    list(GET pair 0 file)
    list(GET pair 1 expected)
    if(NOT EXISTS "${QX_SQLITE_CACHE}/${file}")
      set(ok FALSE)
      continue()
    endif()
    file(SHA256 "${QX_SQLITE_CACHE}/${file}" actual)
    if(NOT actual STREQUAL expected)
      set(ok FALSE)
    endif()
  endforeach()
  set(${out_ok} ${ok} PARENT_SCOPE)
endfunction()

qx_sqlite_verified(qx_sqlite_ok)
if(NOT qx_sqlite_ok)
  find_program(QX_NPM npm REQUIRED)
  set(work "${CMAKE_BINARY_DIR}/_deps/sqlite-fetch")
  file(REMOVE_RECURSE "${work}")
  file(MAKE_DIRECTORY "${work}")
  message(STATUS "Fetching the SQLite ${QX_SQLITE_VERSION} amalgamation from ${QX_SQLITE_PACKAGE}")
  execute_process(COMMAND "${QX_NPM}" pack "${QX_SQLITE_PACKAGE}" --silent
                  WORKING_DIRECTORY "${work}" RESULT_VARIABLE result OUTPUT_VARIABLE tarball
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT result EQUAL 0 OR NOT EXISTS "${work}/${tarball}")
    message(FATAL_ERROR "npm pack ${QX_SQLITE_PACKAGE} failed (${result})")
  endif()
  file(ARCHIVE_EXTRACT INPUT "${work}/${tarball}" DESTINATION "${work}"
       PATTERNS package/deps/sqlite3/sqlite3.c package/deps/sqlite3/sqlite3.h)
  file(MAKE_DIRECTORY "${QX_SQLITE_CACHE}")
  file(COPY "${work}/package/deps/sqlite3/sqlite3.c" "${work}/package/deps/sqlite3/sqlite3.h"
       DESTINATION "${QX_SQLITE_CACHE}")
  file(REMOVE_RECURSE "${work}")
  qx_sqlite_verified(qx_sqlite_ok)
  if(NOT qx_sqlite_ok)
    file(REMOVE "${QX_SQLITE_CACHE}/sqlite3.c" "${QX_SQLITE_CACHE}/sqlite3.h")
    message(FATAL_ERROR "The SQLite amalgamation from ${QX_SQLITE_PACKAGE} does not have the expected SHA-256")
  endif()
endif()

add_library(qx_sqlite3 STATIC "${QX_SQLITE_CACHE}/sqlite3.c")
target_include_directories(qx_sqlite3 SYSTEM PUBLIC "${QX_SQLITE_CACHE}")
target_compile_definitions(qx_sqlite3 PRIVATE
  SQLITE_THREADSAFE=1 SQLITE_DQS=0 SQLITE_DEFAULT_MEMSTATUS=0 SQLITE_OMIT_LOAD_EXTENSION
  SQLITE_OMIT_DEPRECATED SQLITE_OMIT_SHARED_CACHE SQLITE_DEFAULT_WAL_SYNCHRONOUS=2)
# Foreign code: optimised, without debug information or project warnings.
target_compile_options(qx_sqlite3 PRIVATE -O2 -g0 -w)
