# What a Debian build needs before any target exists: the multiarch library
# folder, Debian's hardening flags, and dexmora_deb_package(), through which
# every folder that ships a package registers it (cmake/packaging.cmake runs
# CPack over all of them). Included before GNUInstallDirs.

# Libraries and dexmora.pc go to lib/<triplet>, as Debian's own do, whatever
# the prefix: the packages are made from this same configuration, and an
# architecture-dependent .pc under lib/pkgconfig is invisible to cross builds.
# A value given on the command line is kept; "lib" cached by an older
# configuration of the folder is replaced once. A superbuild's layout is its own.
if(PROJECT_IS_TOP_LEVEL AND CMAKE_LIBRARY_ARCHITECTURE AND EXISTS /etc/debian_version)
  get_property(libdir_help CACHE CMAKE_INSTALL_LIBDIR PROPERTY HELPSTRING)
  if(NOT DEFINED CMAKE_INSTALL_LIBDIR OR
     (NOT DEXMORA_LIBDIR_CHECKED AND CMAKE_INSTALL_LIBDIR STREQUAL "lib" AND
      libdir_help STREQUAL "Object code libraries (lib)"))
    set(CMAKE_INSTALL_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE} CACHE PATH
        "Object code libraries (lib/${CMAKE_LIBRARY_ARCHITECTURE}, Debian's multiarch folder)" FORCE)
  endif()
  set(DEXMORA_LIBDIR_CHECKED ON CACHE INTERNAL "CMAKE_INSTALL_LIBDIR was given its Debian default")
endif()

# Debian's hardening (stack protector, _FORTIFY_SOURCE, format checks, full
# RELRO with BIND_NOW, PIE) from dpkg-buildflags, for every target, so the
# packages carry it. Optimisation and debug information stay the build
# type's. Instrumented builds are never packaged and keep their own flags;
# in a superbuild the flags are the top project's choice (off by default).
find_program(DPKG_BUILDFLAGS dpkg-buildflags)
if(DPKG_BUILDFLAGS AND PROJECT_IS_TOP_LEVEL AND NOT DEXMORA_SANITIZE AND NOT DEXMORA_FUZZ
   AND NOT CMAKE_BUILD_TYPE STREQUAL "Debug")
  set(deb_hardening_default ON)
else()
  set(deb_hardening_default OFF)
endif()
option(DEXMORA_DEB_HARDENING "Compile and link with dpkg-buildflags' hardening flags (needs dpkg-dev)"
       ${deb_hardening_default})

# dexmora_buildflags(VAR FLAG): VAR = dpkg-buildflags --get FLAG, less -g and -O.
function(dexmora_buildflags var flag)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all ${DPKG_BUILDFLAGS} --get ${flag}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "dpkg-buildflags --get ${flag} failed; install dpkg-dev or set -DDEXMORA_DEB_HARDENING=OFF")
  endif()
  separate_arguments(flags UNIX_COMMAND "${flags}")
  list(FILTER flags EXCLUDE REGEX "^-(g|O).*")
  list(JOIN flags " " flags)
  set(${var} "${flags}" PARENT_SCOPE)
endfunction()

set(DEXMORA_DEB_HARDENED OFF)
if(DEXMORA_DEB_HARDENING AND NOT DEXMORA_SANITIZE AND NOT DEXMORA_FUZZ)
  set(DEXMORA_DEB_HARDENED ON)
  if(NOT DPKG_BUILDFLAGS)
    message(FATAL_ERROR "DEXMORA_DEB_HARDENING needs dpkg-buildflags (apt-get install dpkg-dev)")
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
