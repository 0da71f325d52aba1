# What the tests need, and only when tests are built: GoogleTest and, for a
# cross build for Windows, wine to run the test executables.

enable_testing()

# The system's GoogleTest where it has one for this target; else its
# source tree, built with the project (a cross build always takes this
# road, since the system's libraries are for the build machine).
if(NOT CMAKE_CROSSCOMPILING)
  find_package(GTest CONFIG QUIET)
endif()
if(TARGET GTest::gtest_main AND TARGET GTest::gmock)
  message(STATUS "GoogleTest: the system's (${GTest_DIR})")
else()
  set(QX_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest source tree, used when no built GoogleTest is found")
  if(NOT EXISTS ${QX_GTEST_SOURCE_DIR}/CMakeLists.txt)
    message(FATAL_ERROR "Tests need GoogleTest: install it (Debian: googletest, libgtest-dev, libgmock-dev), "
                        "set QX_GTEST_SOURCE_DIR, or configure with -DQX_BUILD_TESTS=OFF")
  endif()
  message(STATUS "GoogleTest: built from ${QX_GTEST_SOURCE_DIR}")
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(${QX_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  qx_foreign_code(gtest gtest_main gmock gmock_main)
endif()

# Windows test executables built on Linux run under wine. Set here, before
# any target exists, since each target takes the emulator when it is made.
if(WIN32 AND CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(QX_WINE wine)
  if(NOT QX_WINE)
    message(FATAL_ERROR "The Windows tests run under wine: install it (Debian: wine), "
                        "or configure with -DQX_BUILD_TESTS=OFF")
  endif()
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QX_WINE})
endif()
