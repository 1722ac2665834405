# What the Debian packages' build needs before any target exists: the
# multiarch library folder, Debian's hardening flags, and dexmora_deb_package(),
# through which every folder that ships a package registers it
# (cmake/packaging.cmake runs CPack over all of them). Included before
# GNUInstallDirs. A plain configure gets none of this policy: GNUInstallDirs'
# defaults and the caller's own flags; -DDEXMORA_DEB_BUILD=ON (the preset
# "package", ./test's plain build) asks for it.
option(DEXMORA_DEB_BUILD "Build as the Debian packages are built: lib/<triplet> and dpkg-buildflags" OFF)

# Libraries and dexmora.pc go to lib/<triplet>, as Debian's own do: the
# packages are made from this same configuration, and an
# architecture-dependent .pc under lib/pkgconfig is invisible to cross builds.
set(deb_libdir_help "Object code libraries (Debian's multiarch folder, set by DEXMORA_DEB_BUILD)")
get_property(libdir_help CACHE CMAKE_INSTALL_LIBDIR PROPERTY HELPSTRING)
if(DEXMORA_DEB_BUILD)
  if(NOT CMAKE_LIBRARY_ARCHITECTURE)
    message(FATAL_ERROR "DEXMORA_DEB_BUILD needs a compiler that names its multiarch triplet (Debian's own)")
  endif()
  set(CMAKE_INSTALL_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE} CACHE PATH "${deb_libdir_help}" FORCE)
elseif(libdir_help MATCHES "Debian's multiarch folder")
  # The folder was a package build before: GNUInstallDirs chooses again.
  unset(CMAKE_INSTALL_LIBDIR CACHE)
endif()
unset(DEXMORA_LIBDIR_CHECKED CACHE)

# Debian's hardening (stack protector, _FORTIFY_SOURCE, format checks, full
# RELRO with BIND_NOW, PIE) from dpkg-buildflags, for every target, so the
# packages carry it. Optimisation and debug information stay the build
# type's. Instrumented builds are never packaged and keep their own flags.
find_program(DPKG_BUILDFLAGS dpkg-buildflags)
unset(DEXMORA_DEB_HARDENING CACHE)

# dexmora_buildflags(VAR FLAG): VAR = dpkg-buildflags --get FLAG, less -g and -O.
function(dexmora_buildflags var flag)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all ${DPKG_BUILDFLAGS} --get ${flag}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "dpkg-buildflags --get ${flag} failed; install dpkg-dev or leave DEXMORA_DEB_BUILD off")
  endif()
  separate_arguments(flags UNIX_COMMAND "${flags}")
  list(FILTER flags EXCLUDE REGEX "^-(g|O).*")
  list(JOIN flags " " flags)
  set(${var} "${flags}" PARENT_SCOPE)
endfunction()

set(DEXMORA_DEB_HARDENED OFF)
if(DEXMORA_DEB_BUILD AND NOT DEXMORA_SANITIZE AND NOT DEXMORA_FUZZ)
  set(DEXMORA_DEB_HARDENED ON)
  if(NOT DPKG_BUILDFLAGS)
    message(FATAL_ERROR "DEXMORA_DEB_BUILD needs dpkg-buildflags (apt-get install dpkg-dev)")
  endif()
  dexmora_buildflags(deb_cppflags CPPFLAGS)
  dexmora_buildflags(deb_cflags CFLAGS)
  dexmora_buildflags(deb_cxxflags CXXFLAGS)
  dexmora_buildflags(deb_ldflags LDFLAGS)
  # Before the build type's flags on the command line, so its -O level wins.
  string(APPEND CMAKE_C_FLAGS " ${deb_cppflags} ${deb_cflags}")
  string(APPEND CMAKE_CXX_FLAGS " ${deb_cppflags} ${deb_cxxflags}")
  foreach(kind EXE SHARED MODULE)
    string(APPEND CMAKE_${kind}_LINKER_FLAGS " ${deb_ldflags}")
  endforeach()
endif()

# dexmora_deb_package(COMPONENT NAME package SECTION section
#                     SUMMARY "one line" DESCRIPTION "paragraphs" [DEPENDS "..."]
#                     [CPACK VARIABLE VALUE ...])
# Makes the install component COMPONENT the Debian package NAME in the
# project's one CPack run. The package gets what every Debian binary package
# carries, in /usr/share/doc/NAME: the project's copyright file and a Debian
# changelog. Both are added to the package only, never to a plain
# `cmake --install`. DEPENDS is added to what dpkg-shlibdeps finds. CPACK
# sets further per-package CPack variables, e.g. `CPACK PACKAGE_RECOMMENDS
# nginx-light` sets CPACK_DEBIAN_<COMPONENT>_PACKAGE_RECOMMENDS; callable from
# any folder, since CPack reads only the top folder's variables.
function(dexmora_deb_package component)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "NAME;SECTION;SUMMARY;DESCRIPTION;DEPENDS" "CPACK")
  foreach(required NAME SECTION SUMMARY DESCRIPTION)
    if(NOT arg_${required})
      message(FATAL_ERROR "dexmora_deb_package(${component}): ${required} is missing")
    endif()
  endforeach()
  list(LENGTH arg_CPACK count)
  math(EXPR odd "${count} % 2")
  if(odd)
    message(FATAL_ERROR "dexmora_deb_package(${component}): CPACK takes VARIABLE VALUE pairs")
  endif()
  set_property(GLOBAL APPEND PROPERTY DEXMORA_DEB_COMPONENTS ${component})
  foreach(field NAME SECTION SUMMARY DESCRIPTION DEPENDS CPACK)
    set_property(GLOBAL PROPERTY DEXMORA_DEB_${component}_${field} "${arg_${field}}")
  endforeach()
endfunction()
