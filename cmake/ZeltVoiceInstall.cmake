# Installation and packaging, included at the end of the top-level
# CMakeLists.txt so that every target (the CLI of tools/ too) exists here.
#
#   cmake --install <build> [--prefix <dir>]  headers, shared library with its
#       SONAME links, zvoice (when built), the CMake package and the .pc file
#   cpack -G DEB (in the build tree)          the same files as a Debian package
#
# The build tree is a CMake package as well: point zelt_voice_engine_DIR (or
# CMAKE_PREFIX_PATH) at it.

include(CMakePackageConfigHelpers)

set(ZT_CMAKE_PACKAGE_DIR "${CMAKE_INSTALL_LIBDIR}/cmake/zelt_voice_engine")

# ---- Version header ----------------------------------------------------------
# zelt_voice_engine.h includes it; src/CMakeLists.txt puts its directory on the
# include path of the library's targets (build tree only, the installed
# target finds it next to the main header).
configure_file("${CMAKE_CURRENT_LIST_DIR}/zelt_voice_engine_version.h.in"
  "${PROJECT_BINARY_DIR}/include/zelt_voice_engine_version.h" @ONLY)

# ---- Library, headers and CLI --------------------------------------------------
# The one exported target: zelt::voice_engine, the name the build tree uses too.
set_target_properties(zelt_voice_engine PROPERTIES EXPORT_NAME voice_engine)
install(TARGETS zelt_voice_engine EXPORT zelt_voice_engine_targets
  LIBRARY DESTINATION "${CMAKE_INSTALL_LIBDIR}")
install(FILES
  "${PROJECT_SOURCE_DIR}/include/zelt_voice_engine.h"
  "${PROJECT_BINARY_DIR}/include/zelt_voice_engine_version.h"
  DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}")
install(FILES "${PROJECT_SOURCE_DIR}/include/zelt/voice.hpp"
  DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}/zelt")

if(TARGET zvoice)
  # The CLI finds the library beside it wherever the prefix is installed or
  # unpacked (an absolute library directory stays where it is); under a
  # system prefix the loader finds it anyway.
  if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
    set_property(TARGET zvoice PROPERTY INSTALL_RPATH "${CMAKE_INSTALL_LIBDIR}")
  else()
    file(RELATIVE_PATH _zt_bin_to_lib "${CMAKE_INSTALL_FULL_BINDIR}" "${CMAKE_INSTALL_FULL_LIBDIR}")
    set_property(TARGET zvoice PROPERTY INSTALL_RPATH "$ORIGIN/${_zt_bin_to_lib}")
  endif()
  install(TARGETS zvoice RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
endif()

# ---- CMake package -------------------------------------------------------------
install(EXPORT zelt_voice_engine_targets
  NAMESPACE zelt::
  FILE zelt_voice_engineTargets.cmake
  DESTINATION "${ZT_CMAKE_PACKAGE_DIR}")
configure_package_config_file("${CMAKE_CURRENT_LIST_DIR}/zelt_voice_engineConfig.cmake.in"
  "${PROJECT_BINARY_DIR}/cmake-install/zelt_voice_engineConfig.cmake"
  INSTALL_DESTINATION "${ZT_CMAKE_PACKAGE_DIR}")
# A new major version is a new ABI (and SONAME): only the same major matches.
write_basic_package_version_file(
  "${PROJECT_BINARY_DIR}/zelt_voice_engineConfigVersion.cmake"
  VERSION "${PROJECT_VERSION}"
  COMPATIBILITY SameMajorVersion)
install(FILES
  "${PROJECT_BINARY_DIR}/cmake-install/zelt_voice_engineConfig.cmake"
  "${PROJECT_BINARY_DIR}/zelt_voice_engineConfigVersion.cmake"
  DESTINATION "${ZT_CMAKE_PACKAGE_DIR}")

# The build tree as a package: the same config and version file beside a
# targets file that points into the build and source trees.
export(EXPORT zelt_voice_engine_targets
  NAMESPACE zelt::
  FILE "${PROJECT_BINARY_DIR}/zelt_voice_engineTargets.cmake")
configure_package_config_file("${CMAKE_CURRENT_LIST_DIR}/zelt_voice_engineConfig.cmake.in"
  "${PROJECT_BINARY_DIR}/zelt_voice_engineConfig.cmake"
  INSTALL_DESTINATION "${PROJECT_BINARY_DIR}"
  INSTALL_PREFIX "${PROJECT_BINARY_DIR}")

# ---- pkg-config ------------------------------------------------------------------
# libdir and includedir follow the prefix unless they were given as absolute
# paths, which stand on their own (meson's join_paths). The prefix itself is
# the one of the actual installation, so the file is written at install time:
# `cmake --install --prefix` and cpack (which installs under /usr) get their own.
foreach(_zt_dir LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${_zt_dir}}")
    set(_zt_pc_${_zt_dir} "${CMAKE_INSTALL_${_zt_dir}}")
  elseif(_zt_dir STREQUAL "LIBDIR")
    set(_zt_pc_${_zt_dir} "\${exec_prefix}/${CMAKE_INSTALL_${_zt_dir}}")
  else()
    set(_zt_pc_${_zt_dir} "\${prefix}/${CMAKE_INSTALL_${_zt_dir}}")
  endif()
endforeach()
set(_zt_pc_file "${PROJECT_BINARY_DIR}/pkgconfig/zelt_voice_engine.pc")
install(CODE "
  set(ZT_PC_LIBDIR [==[${_zt_pc_LIBDIR}]==])
  set(ZT_PC_INCLUDEDIR [==[${_zt_pc_INCLUDEDIR}]==])
  set(ZT_PC_VERSION [==[${PROJECT_VERSION}]==])
  set(ZT_PC_DESCRIPTION [==[${PROJECT_DESCRIPTION}]==])
  get_filename_component(ZT_PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\" ABSOLUTE)
  configure_file([==[${CMAKE_CURRENT_LIST_DIR}/zelt_voice_engine.pc.in]==]
    [==[${_zt_pc_file}]==] @ONLY)
")
install(FILES "${_zt_pc_file}" DESTINATION "${CMAKE_INSTALL_LIBDIR}/pkgconfig")

include("${CMAKE_CURRENT_LIST_DIR}/ZeltVoiceCPack.cmake")
