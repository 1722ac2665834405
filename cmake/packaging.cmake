# Debian packages through CPack: `cpack -G DEB` in the build folder writes one
# package per component registered with dexmora_deb_package() (cmake/debian.cmake):
#   libdexmora1_<version>_<arch>.deb     component lib: libdexmora.so.1
#   libdexmora-dev_<version>_<arch>.deb  component dev
#   dexmora-cli_<version>_<arch>.deb     component cli
#   dexmora_<version>_<arch>.deb         component app (when DEXMORA_GUI is on)
#   dexmora-serve_<version>_<arch>.deb   component serve (when DEXMORA_SERVE is on)
#   python3-dexmora_<version>_<arch>.deb component python (when DEXMORA_PYTHON is on)
# A folder that ships another package calls dexmora_deb_package() for its
# component; it then gets the same copyright, changelog, stripping and
# lintian bar (tests/package/deb.sh) as these.
set(DEXMORA_DEBIAN_REVISION 1)
set(DEXMORA_MAINTAINER "Dexmora developers <dexmora@users.noreply.invalid>")

# The shared library's package is named for its SONAME, so that 2.x can be
# installed beside it. Its control files: the symbols file abi/update.sh
# keeps (dpkg-shlibdeps reads each program's minimal version from it), the
# shlibs file for tools that read no symbols files, and the trigger that
# runs ldconfig once for all packages installed together
# (cmake/deb_postbuild.cmake drops the scripts CPack writes instead).
set(lib_control ${PROJECT_BINARY_DIR}/package-control/libdexmora1)
configure_file(${PROJECT_SOURCE_DIR}/abi/libdexmora1.symbols ${lib_control}/symbols COPYONLY)
file(WRITE ${lib_control}/shlibs "libdexmora 1 libdexmora1 (>= ${PROJECT_VERSION})\n")
file(WRITE ${lib_control}/triggers "activate-noawait ldconfig\n")
dexmora_deb_package(lib NAME libdexmora1 SECTION libs
  SUMMARY "Data Matrix ECC200 encoder and renderer (shared library)"
  DESCRIPTION "libdexmora encodes a text or bytes as a Data Matrix ECC200 symbol, square,
rectangular or DMRE, with any encodation, GS1 element strings, ECI and
structured append, and draws it as PNG, SVG, PDF, EPS or text. This package
holds the shared library libdexmora.so.1 that dexmora-serve, the dialog and
the Python module use.")
set(CPACK_DEBIAN_LIB_PACKAGE_CONTROL_EXTRA ${lib_control}/symbols ${lib_control}/shlibs ${lib_control}/triggers)
set(CPACK_DEBIAN_LIB_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# dexmora-cli links the static archive on purpose (a run lasts milliseconds,
# and loading libdexmora.so.1 with the shared C++ runtime would add about a
# third), so its package needs no libdexmora1.
dexmora_deb_package(cli NAME dexmora-cli SECTION graphics
  SUMMARY "Data Matrix ECC200 symbol generator (command line)"
  DESCRIPTION "dexmora-cli encodes a text as a Data Matrix ECC200 symbol, square, rectangular
or DMRE, with any encodation, GS1 element strings, ECI and structured append,
and writes it as PNG, SVG, PDF, EPS or a terminal preview. It can also write
one symbol per line of a list, on several threads, or lay a list out as
label sheets with captions in one PDF."
  DEPENDS "fonts-dejavu-core"
  CPACK PACKAGE_RECOMMENDS "fonts-wqy-microhei | fonts-noto-cjk")

# dpkg-shlibdeps sees the shared libraries the programs link (libdexmora.so.1
# too, from this build tree: cmake/deb_prebuild.cmake shows it to it); what they load
# at run time or only show (Qt's platform plugin and translations, a CJK font
# for the captions) and what the static libraries need to link, it cannot see.
if(DEXMORA_GUI)
  dexmora_deb_package(app NAME dexmora SECTION graphics
    SUMMARY "Data Matrix ECC200 symbol generator (dialog)"
    DESCRIPTION "Dexmora is a small Qt dialog: type a text of up to 12 bytes, pick one of the
24 square symbol sizes and it writes the Data Matrix symbol as output.png in
the current directory."
    DEPENDS "qt6-qpa-plugins, qt6-translations-l10n, fonts-wqy-microhei | fonts-noto-cjk")
endif()

dexmora_deb_package(dev NAME libdexmora-dev SECTION libdevel
  SUMMARY "Data Matrix ECC200 encoder and renderer (development files)"
  DESCRIPTION "The headers of libdexmora, the link to its shared library and its static
archive, and the label sheet library dexmora_sheet. find_package(Dexmora)
gives the CMake targets Dexmora::dexmora (the shared library),
Dexmora::dexmora_static and Dexmora::sheet; pkg-config knows the first two as
dexmora and dexmora-static. C++ callers need C++17."
  DEPENDS "libdexmora1 (= ${PROJECT_VERSION}-${DEXMORA_DEBIAN_REVISION}), ${DEXMORA_DEV_DEPENDS}")

if(TARGET dexmora-serve)
  dexmora_deb_package(serve NAME dexmora-serve SECTION httpd
    SUMMARY "Data Matrix ECC200 symbols over HTTP"
    DESCRIPTION "dexmora-serve answers HTTP requests for Data Matrix ECC200 symbols as PNG,
SVG, PDF, EPS, text or JSON, with the command line's options as query
parameters, so that web shops, ERP and label systems can ask for a picture
by URL. It serves a generator page, health and Prometheus metrics, and comes
with a hardened systemd unit that is not enabled by default.")
endif()

if(TARGET dexmora_python)
  dexmora_deb_package(python NAME python3-dexmora SECTION python
    SUMMARY "Data Matrix ECC200 symbol generator (Python 3 module)"
    DESCRIPTION "The dexmora module encodes text or bytes as a Data Matrix ECC200 symbol,
square, rectangular or DMRE, with any encodation, GS1 element strings, ECI
and structured append, and draws it as PNG, SVG, PDF, EPS or terminal text.
A Symbol gives its modules to numpy without a copy and shows itself in
Jupyter; encode_many() encodes lists on several threads."
    DEPENDS "${DEXMORA_PYTHON_DEB_DEPENDS}")
endif()

# Every package's /usr/share/doc/<package>: the copyright file and a Debian
# changelog, written here and added by the pre-build script below, so that a
# plain `cmake --install` never installs them.
set(doc_root ${PROJECT_BINARY_DIR}/package-doc)
get_property(dexmora_components GLOBAL PROPERTY DEXMORA_DEB_COMPONENTS)
foreach(component ${dexmora_components})
  string(TOUPPER ${component} upper)
  foreach(field NAME SECTION SUMMARY DESCRIPTION DEPENDS CPACK)
    get_property(${field} GLOBAL PROPERTY DEXMORA_DEB_${component}_${field})
  endforeach()
  set(CPACK_DEBIAN_${upper}_PACKAGE_NAME ${NAME})
  set(CPACK_DEBIAN_${upper}_PACKAGE_SECTION ${SECTION})
  set(CPACK_DEBIAN_${upper}_DESCRIPTION "${SUMMARY}\n${DESCRIPTION}")
  set(CPACK_DEBIAN_${upper}_PACKAGE_DEPENDS "${DEPENDS}")
  while(CPACK)
    list(POP_FRONT CPACK variable value)
    set(CPACK_DEBIAN_${upper}_${variable} "${value}")
  endwhile()
  set(CPACK_DEXMORA_PACKAGE_${component} ${NAME})

  file(MAKE_DIRECTORY ${doc_root}/${NAME})
  configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/copyright ${doc_root}/${NAME}/copyright COPYONLY)
  file(WRITE ${doc_root}/${NAME}/changelog.Debian
    "${NAME} (${PROJECT_VERSION}-${DEXMORA_DEBIAN_REVISION}) unstable; urgency=medium\n\n"
    "  * Release ${PROJECT_VERSION}.\n\n"
    " -- ${DEXMORA_MAINTAINER}  Thu, 01 Jan 2026 00:00:00 +0000\n")
  # -n leaves the time stamp out, so the same sources give the same package.
  execute_process(COMMAND gzip -9nf ${doc_root}/${NAME}/changelog.Debian)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME dexmora)
set(CPACK_PACKAGE_VENDOR "Dexmora developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${DEXMORA_MAINTAINER}")
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${dexmora_components})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${DEXMORA_DEBIAN_REVISION})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${DEXMORA_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

# After CPack has installed every component and before it packs them: the
# doc files go in and every ELF file is stripped as dh_strip does.
set(CPACK_DEXMORA_COMPONENTS ${dexmora_components})
set(CPACK_DEXMORA_DOC_ROOT ${doc_root})
set(CPACK_DEXMORA_HARDENED ${DEXMORA_DEB_HARDENED})
set(CPACK_DEXMORA_STRIP ${CMAKE_STRIP})
# Where this build's libdexmora.so.1 and its symbols file are, for
# dpkg-shlibdeps: known only at generation time.
set(CPACK_DEXMORA_LIBRARY_FILE ${PROJECT_BINARY_DIR}/package-control/library.cmake)
file(GENERATE OUTPUT ${CPACK_DEXMORA_LIBRARY_FILE}
  CONTENT "set(CPACK_DEXMORA_LIBRARY \"$<TARGET_SONAME_FILE:dexmora>\")\n")
set(CPACK_DEXMORA_SYMBOLS ${lib_control}/symbols)
set(CPACK_DEXMORA_LIBDIR ${CMAKE_INSTALL_LIBDIR})
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/deb_prebuild.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/deb_postbuild.cmake)

include(CPack)
