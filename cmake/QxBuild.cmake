# Build helpers shared by every target of the project.

if(QX_BUILD_FUZZ)
  # Everything instrumented for libFuzzer and the address sanitizer.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(QX_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# The platform's name in the file names of per-platform sources
# (local_time_posix.cpp, local_time_windows.cpp).
if(WIN32)
  set(QX_OS windows)
else()
  set(QX_OS posix)
endif()

if(WIN32)
  # C99 formatted output (%lld, %zu) from the mingw runtime.
  add_compile_definitions(__USE_MINGW_ANSI_STDIO=1)
  set(QX_EXPORT_ATTRIBUTE "__declspec(dllexport)")
else()
  set(QX_EXPORT_ATTRIBUTE "__attribute__((visibility(\"default\")))")
endif()

# Warnings on in the project's own code. They become errors only where a
# preset asks for it (CMAKE_COMPILE_WARNING_AS_ERROR), so that a host's own
# build with another compiler version is never stopped by a new warning.
function(qx_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /permissive-)
  else()
    target_compile_options(${target} PRIVATE
      -Wall -Wextra -Wpedantic -Wshadow -Wformat=2 -Wcast-align
      -Wimplicit-fallthrough -Wmissing-declarations
      $<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor -Wold-style-cast>)
  endif()
endfunction()

# Foreign code builds with its own warnings, never as errors.
function(qx_foreign_code)
  foreach(target IN LISTS ARGN)
    if(TARGET ${target})
      set_target_properties(${target} PROPERTIES COMPILE_WARNING_AS_ERROR OFF)
    endif()
  endforeach()
endfunction()

# qx_service_library(NAME <name> API <macro> EXPORTS <glob> SOURCES ... [LIBS ...])
# One of the service libraries: libNAME.so on Linux, w64NAME.dll on Windows.
# Functions marked with the API macro are exported; on Linux a version script
# also keeps everything else (template instances of the C++ runtime included)
# out of the dynamic symbol table.
function(qx_service_library)
  cmake_parse_arguments(A "" "NAME;API;EXPORTS" "SOURCES;LIBS" ${ARGN})
  add_library(${A_NAME} SHARED ${A_SOURCES})
  # Every header of include/ is public: built against here, installed for hosts.
  file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/include/*.h)
  target_sources(${A_NAME} PUBLIC FILE_SET HEADERS BASE_DIRS ${CMAKE_CURRENT_SOURCE_DIR}/include
                 FILES ${headers})
  target_compile_definitions(${A_NAME} PRIVATE "${A_API}=${QX_EXPORT_ATTRIBUTE}")
  if(A_LIBS)
    target_link_libraries(${A_NAME} PRIVATE ${A_LIBS})
  endif()
  qx_warnings(${A_NAME})
  if(WIN32)
    set_target_properties(${A_NAME} PROPERTIES PREFIX "" OUTPUT_NAME "w64${A_NAME}")
  else()
    set(map ${CMAKE_CURRENT_BINARY_DIR}/${A_NAME}.map)
    file(WRITE ${map} "{ global: ${A_EXPORTS}; local: *; };\n")
    target_link_options(${A_NAME} PRIVATE "-Wl,--version-script=${map}")
    set_property(TARGET ${A_NAME} APPEND PROPERTY LINK_DEPENDS ${map})
  endif()
endfunction()

# qx_add_fuzz_target(<name> <source>): a libFuzzer target over the core.
function(qx_add_fuzz_target name source)
  add_executable(${name} ${source})
  target_link_libraries(${name} PRIVATE qxexpc_core)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  qx_warnings(${name})
endfunction()

# qx_add_test(NAME <name> SOURCES ... [LIBS ...] [ARGS ...] [C])
# One executable per test suite and one CTest entry per executable, so that a
# suite pays one process start (one wine start on Windows), not one per case.
function(qx_add_test)
  cmake_parse_arguments(A "" "NAME" "SOURCES;LIBS;ARGS" ${ARGN})
  if(NOT QX_BUILD_TESTS)
    return()
  endif()
  add_executable(${A_NAME} ${A_SOURCES})
  target_link_libraries(${A_NAME} PRIVATE ${A_LIBS} GTest::gtest_main GTest::gmock)
  qx_warnings(${A_NAME})
  add_test(NAME ${A_NAME} COMMAND ${A_NAME} ${A_ARGS}
           WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
endfunction()
