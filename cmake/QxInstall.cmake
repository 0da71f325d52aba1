# What `cmake --install` gives a host, and the archives CPack makes of it:
# the libraries (Linux: versioned shared objects; Windows: DLLs with their
# import libraries), their public headers under include/qxexpc, the tool,
# the CMake package qxexpc (targets qxexpc::<name>) and a pkg-config file
# per library.
#
# The list of installed targets is the qx_install_target lines at the end
# of this file: installing a new library or tool is one more line there.

include(CMakePackageConfigHelpers)

set(QX_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/qxexpc)
set(QX_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/qxexpc)

if(WIN32)
  find_program(QX_DLLTOOL NAMES ${CMAKE_DLLTOOL} x86_64-w64-mingw32-dlltool)
endif()

# The file name a target builds, for texts that must name it.
function(qx_file_name target out)
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  set(${out} ${name} PARENT_SCOPE)
endfunction()

# Windows: a VERSIONINFO resource, so that the file's properties show the
# product, its version and what the file is.
function(qx_version_resource target description)
  get_target_property(type ${target} TYPE)
  qx_file_name(${target} name)
  if(type STREQUAL "EXECUTABLE")
    set(QX_RC_FILE_TYPE VFT_APP)
    set(QX_RC_FILE_NAME ${name}${CMAKE_EXECUTABLE_SUFFIX})
  else()
    set(QX_RC_FILE_TYPE VFT_DLL)
    set(QX_RC_FILE_NAME ${name}${CMAKE_SHARED_LIBRARY_SUFFIX})
  endif()
  set(QX_RC_DESCRIPTION "${description}")
  set(QX_RC_INTERNAL_NAME ${name})
  set(rc ${PROJECT_BINARY_DIR}/version/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()

# Windows: beside the toolchain's import library (libNAME.dll.a), an import
# library in the form MSVC's linker reads (NAME.lib), made with dlltool from
# the exports the linker wrote out while linking the DLL.
function(qx_msvc_import_library target)
  if(NOT QX_DLLTOOL)
    message(STATUS "No dlltool: ${target} gets no MSVC import library")
    return()
  endif()
  qx_file_name(${target} name)
  file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/msvc)
  set(def ${PROJECT_BINARY_DIR}/msvc/${name}.def)
  set(lib ${PROJECT_BINARY_DIR}/msvc/${name}.lib)
  target_link_options(${target} PRIVATE "-Wl,--output-def,${def}")
  add_custom_command(OUTPUT ${lib}
    COMMAND ${QX_DLLTOOL} --machine i386:x86-64 --input-def ${def}
            --dllname $<TARGET_FILE_NAME:${target}> --output-lib ${lib}
    DEPENDS ${target} VERBATIM)
  add_custom_target(${target}_msvc_import_library ALL DEPENDS ${lib})
  install(FILES ${lib} DESTINATION ${CMAKE_INSTALL_LIBDIR})
endfunction()

# A pkg-config file per library. Its prefix is found from the file's own
# place, so that an installed tree or an unpacked archive can be moved.
function(qx_pkg_config_file target description)
  set(pc_dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
  if(IS_ABSOLUTE ${CMAKE_INSTALL_LIBDIR})
    set(QX_PC_PREFIX ${CMAKE_INSTALL_PREFIX})
  else()
    file(RELATIVE_PATH up /root/${pc_dir} /root)
    string(REGEX REPLACE "/$" "" up ${up})
    set(QX_PC_PREFIX "\${pcfiledir}/${up}")
  endif()
  qx_file_name(${target} QX_PC_LINK_NAME)
  set(QX_PC_NAME ${target})
  set(QX_PC_DESCRIPTION "${description}")
  set(pc ${PROJECT_BINARY_DIR}/pkgconfig/${target}.pc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/library.pc.in ${pc} @ONLY)
  install(FILES ${pc} DESTINATION ${pc_dir})
endfunction()

# qx_install_target(<target> <description>): installs the target, with its
# public headers, and makes it part of the package.
function(qx_install_target target description)
  get_target_property(type ${target} TYPE)
  if(WIN32)
    qx_version_resource(${target} "${description}")
  endif()
  if(type STREQUAL "EXECUTABLE")
    file(RELATIVE_PATH lib_from_bin ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
    set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN/${lib_from_bin}")
    add_executable(qxexpc::${target} ALIAS ${target})
  elseif(type STREQUAL "MODULE_LIBRARY")
    # Loaded by name, never linked: no version in its name, no import
    # library, no pkg-config file.
    set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN")
    add_library(qxexpc::${target} ALIAS ${target})
  else()
    # Linux: libNAME.so.MAJOR.MINOR.PATCH with the SONAME libNAME.so.MAJOR;
    # Windows: the DLL's image version.
    set_target_properties(${target} PROPERTIES
      VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR} INSTALL_RPATH "$ORIGIN")
    if(WIN32)
      qx_msvc_import_library(${target})
    endif()
    qx_pkg_config_file(${target} "${description}")
    add_library(qxexpc::${target} ALIAS ${target})
  endif()
  set(library_destination ${CMAKE_INSTALL_LIBDIR})
  if(WIN32 AND type STREQUAL "MODULE_LIBRARY")
    set(library_destination ${CMAKE_INSTALL_BINDIR})  # where a bare DLL name is looked for first
  endif()
  install(TARGETS ${target} EXPORT qxexpcTargets
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
    LIBRARY DESTINATION ${library_destination}
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    FILE_SET HEADERS DESTINATION ${QX_INSTALL_INCLUDEDIR})
endfunction()

qx_install_target(qxexpc   "qxexpc expression library")
qx_install_target(qxdbg    "qxexpc allocator")
qx_install_target(uxposs   "qxexpc lists and threads")
qx_install_target(uxldmon  "qxexpc monitor log")
qx_install_target(qxcnldrc "qxexpc field conversion")
qx_install_target(qxldra   "qxexpc record manager")
qx_install_target(qxexp    "qxexpc command-line tool")
qx_install_target(qxsample "qxexpc sample action library")

# The CMake package: find_package(qxexpc) gives the targets above as
# qxexpc::<target>.
install(EXPORT qxexpcTargets NAMESPACE qxexpc:: DESTINATION ${QX_INSTALL_CMAKEDIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/qxexpcConfig.cmake.in
  ${PROJECT_BINARY_DIR}/qxexpcConfig.cmake INSTALL_DESTINATION ${QX_INSTALL_CMAKEDIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/qxexpcConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/qxexpcConfig.cmake ${PROJECT_BINARY_DIR}/qxexpcConfigVersion.cmake
  DESTINATION ${QX_INSTALL_CMAKEDIR})
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR} FILES_MATCHING PATTERN "*.md")

# Archives of the installed tree: `cpack` in the build folder.
if(PROJECT_IS_TOP_LEVEL)
  set(CPACK_PACKAGE_NAME qxexpc)
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Client-side expression library of a database-monitoring product")
  if(WIN32)
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME qxexpc-${PROJECT_VERSION}-windows-x86_64)
  else()
    set(CPACK_GENERATOR TGZ)
    set(CPACK_PACKAGE_FILE_NAME qxexpc-${PROJECT_VERSION}-linux-${CMAKE_SYSTEM_PROCESSOR})
  endif()
  include(CPack)
endif()

# An installed tree that hosts can use. Not under the sanitizers: the host
# would have to be built with them too, and they add nothing here.
if(QX_BUILD_TESTS AND NOT QX_SANITIZE)
  add_test(NAME install_test
           COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/install_test.sh ${PROJECT_BINARY_DIR} ${PROJECT_VERSION}
                   ${CMAKE_C_COMPILER} ${CMAKE_TOOLCHAIN_FILE} ${CMAKE_CROSSCOMPILING_EMULATOR})
endif()
