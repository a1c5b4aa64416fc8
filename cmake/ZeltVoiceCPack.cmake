# The Debian package: `cpack -G DEB` in a configured and built tree packs what
# `cmake --install` puts in place (library, headers, CMake and pkg-config
# files, zvoice when built), under /usr.

set(ZT_PACKAGE_MAINTAINER "zelt_voice_engine developers <voice-engine@zelt.invalid>" CACHE STRING
  "Maintainer field of the Debian package")

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "${PROJECT_NAME}")
set(CPACK_PACKAGE_VENDOR "zelt")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
  "zelt_voice_engine turns 16-bit PCM frames into voice frames and back through four\
 C functions: G.711 A-law and mu-law, IMA ADPCM in two layouts and G.726 at 16 to\
 40 kbit/s in two bit orders. It allocates nothing and keeps no global state.\
 The package holds the shared library, its C header and the C++ interface zelt/voice.hpp,\
 the CMake package zelt::voice_engine, the pkg-config file zelt_voice_engine.pc\
 and the zvoice command-line tool.")
set(CPACK_PACKAGE_CONTACT "${ZT_PACKAGE_MAINTAINER}")
# Install under /usr with DESTDIR pointing at the staging directory, so that
# the .pc file, written at install time, names /usr and not the staging path.
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_INSTALL_PREFIX "/usr")
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)

# Debian names allow no underscores.
set(CPACK_DEBIAN_PACKAGE_NAME "zelt-voice-engine")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ZT_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION "libs")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# A shlibs file for packages that link the library, and the ldconfig trigger.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")

# Depends from the libraries the binaries load (libc6, libstdc++6, and for
# zvoice libsndfile1 and libsoxr0), when dpkg-shlibdeps can find them out.
find_program(ZT_DPKG_SHLIBDEPS dpkg-shlibdeps)
mark_as_advanced(ZT_DPKG_SHLIBDEPS)
if(ZT_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libstdc++6, libgcc-s1")
  if(TARGET zvoice)
    string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", libsndfile1, libsoxr0")
  endif()
endif()

include(CPack)
